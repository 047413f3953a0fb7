// Any profile file must parse safely, keep its untouched lines, and give values that
// respect the buffer size.
#include "IniFile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (ini.Get("People", "Nick", "zoly", 20).size() > 19)
        abort();
    if (ini.Get("Room", "RoomContent", "x", 100).size() > 99)
        abort();
    ini.Set("People", "Nick", std::string(reinterpret_cast<const char*>(data), size > 30 ? 30 : size));
    ini.Set("Room", "RoomName", "abc");
    IniFile again;
    again.Parse(ini.Text());
    if (again.Get("Room", "RoomName", "", 20) != "abc")
        abort();
    return 0;
}
