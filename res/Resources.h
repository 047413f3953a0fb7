#pragma once

// Names of the program's pictures in its compiled-in resources (target linquo_res).
// Icons are drawn on a 16 x 16 grid (the program icon on 32 x 32), the cursor on 32 x 32 with its
// hot spot at (0,0), the splash picture at 401 x 172.
inline constexpr const char* kIconApp = ":/icons/128.svg";        // two speech bubbles
inline constexpr const char* kIconBoy = ":/icons/130.svg";        // male user
inline constexpr const char* kIconGirl = ":/icons/131.svg";       // female user
inline constexpr const char* kIconRoomMale = ":/icons/135.svg";   // house, grey roof
inline constexpr const char* kIconRoomFemale = ":/icons/138.svg"; // house, red roof
inline constexpr const char* kIconArrow = ":/icons/143.svg";      // orange arrow: the addressee
inline constexpr const char* kCursorHand = ":/cursors/140.svg";   // pointing hand
inline constexpr const char* kBitmapSplash = ":/bitmaps/147.svg"; // splash screen

inline constexpr int kListIconSize = 16;
inline constexpr int kCursorSize = 32;
inline constexpr int kSplashWidth = 401;
inline constexpr int kSplashHeight = 172;

// Files beside the program, relative to the program directory (built into build/bin).
inline constexpr const char* kSkinFile = "skins/dogmax.ssk";
inline constexpr const char* kSoundFile = "sound/msg.wav";
