#include "Profile.h"

// The program's one profile, constructed before main and saved by its destructor at
// process end. Kept out of the common library so that the announcer, which must never
// write the profile, does not get one.
CProfile theProfile;
