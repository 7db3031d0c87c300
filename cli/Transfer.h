#pragma once
// Export and import on the command line, through the store code the window uses: export
// writes the class key and entry key trees of every OBJECT to one registry file; import
// checks a file whole and writes it whole or not at all.

#include "cli/Commands.h"

namespace vs::cli {

// export OBJECT... --out FILE. An OBJECT that matches nothing fails the command before any
// file is written.
int ExportObjects(const Request& request, RegistryStore& store, Platform& platform, CliHost& host);
// import FILE. A bad file is told by its line (each key outside a shell object by its own)
// and writes nothing; the places that show a change are notified.
int ImportFile(const Request& request, RegistryStore& store, Platform& platform, CliHost& host);

} // namespace vs::cli
