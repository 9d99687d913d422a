#include "app/cli_help.h"

namespace vel {

const char kCliUsage[] =
    "usage: velloran-cli [--home DIR] COMMAND ...\n"
    "  check SCRIPT [--json]   load SCRIPT as a run start would and print its command and\n"
    "                          data-item tables (exit 0), or the loader's message (exit 1)\n"
    "  run [--service]         start a run from the folder's setup.dat as the start button does;\n"
    "                          runs until it ends by itself or SIGINT, SIGTERM or SIGHUP stops it\n"
    "                          (exit 0), exit 1 when the run cannot start; --service prints only\n"
    "                          the port, alarm log lines, errors and the end (a service's journal)\n"
    "  setup [NAME=VALUE ...]  print the choices in the folder's setup.dat and velloran.ini, or\n"
    "                          change the named ones and save (port, lineSettings, script, csvOn,\n"
    "                          csv, minutes, reconnect.intervalSeconds, uplink.url, units.D001, ...)\n"
    "  setup --keys            list every key with what it takes and its default\n"
    "  --home DIR              the program folder (default: the executable's folder, or\n"
    "                          ~/.local/share/velloran when the program is installed);\n"
    "                          run takes several, one station each\n"
    "  COMMAND --help          what a command does and takes\n";

const char kCheckHelp[] =
    "usage: velloran-cli check SCRIPT [--json]\n"
    "Loads SCRIPT exactly as the start of a run does and prints its command table and\n"
    "data items. With --json the tables, or the loader's message, as one JSON object.\n"
    "Exit 0: the script loads; 1: the loader refused it (its message on stderr);\n"
    "2: wrong command line.\n";

const char kRunHelp[] =
    "usage: velloran-cli [--home DIR] run [--service]\n"
    "       velloran-cli --home DIR1 --home DIR2 ... run [--service]\n"
    "Starts a run from the folder's setup.dat and velloran.ini as the start button does and\n"
    "prints the run monitor's lines; with --service only what a service's journal needs: the\n"
    "port it opened, the alarm log lines, errors and the end. SIGINT, SIGTERM or SIGHUP stop it as the stop button\n"
    "does (the data log is written). A value of velloran.ini that is not taken is named on\n"
    "stderr and in the alarm log, with the value used instead.\n"
    "Several --home options run each folder as a station of its own in this one process, each\n"
    "with its own port, CSV, logs and workbook; every line is led by the folder's name\n"
    "(\"line1: port: Com1 → /dev/ttyUSB0\"). A stop signal stops them all. A station that\n"
    "cannot start says why and the others run on. One folder given twice, or two folders of\n"
    "the same name, are refused (exit 2).\n"
    "Exit 0: the run ended (every station's); 1: the run (a station's) could not start;\n"
    "2: wrong command line.\n";

const char kSetupHelp[] =
    "usage: velloran-cli [--home DIR] setup [NAME=VALUE ...]\n"
    "       velloran-cli [--home DIR] setup --keys\n"
    "Without arguments prints every choice of setup.dat and velloran.ini as NAME=VALUE.\n"
    "NAME=VALUE changes the named keys and saves both files; a value is taken exactly or\n"
    "refused (the key and what it takes on stderr, exit 2) and then nothing is saved.\n"
    "units.D001=V sets the unit of item D001 (D001..D256), units.D001= removes it.\n"
    "--keys lists every key with its form, range and default.\n"
    "velloran.ini is readable by its owner only once it holds uplink.password.\n"
    "Exit 0: shown or saved; 1: a file could not be written; 2: a key or value refused.\n";

}  // namespace vel
