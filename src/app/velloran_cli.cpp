// velloran-cli: the engine without windows.
#include <cstdio>

int main(int, char**) {
    std::fprintf(stderr, "usage: velloran-cli check SCRIPT [--json] | run [--home DIR]\n");
    return 2;
}
