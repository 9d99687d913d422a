#include "base/local_time_zone.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace vel {

void readLocalTimeZoneOnce() {
    if (std::getenv("TZ") != nullptr) return;  // the user's choice stands
    if (::access("/etc/localtime", R_OK) != 0) return;
    ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

}  // namespace vel
