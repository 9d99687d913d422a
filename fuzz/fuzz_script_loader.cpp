// The script loader on an arbitrary script file: it loads or shows one
// message, and never reads or writes outside its tables.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "script/script_defaults.h"
#include "script/script_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vel;
    const QString path = fuzz::writeScratch("script.txt", data, size);
    ScriptTables tables;
    resetScriptTables(tables);
    fuzz::CountingMessageBox box;
    const bool loaded = loadScript(tables, path, box);
    fuzz::require(loaded ? box.shown == 0 : box.shown == 1);
    if (loaded) padItemNames(tables.dataItems);
    return 0;
}
