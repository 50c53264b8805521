#pragma once

#include <QString>

// Parts of the program built as modules of their own and loaded at their first use, so
// that what they link (libcurl, Qt Network) stays out of every start.
namespace program_module {

// Where the running program's modules are, as built and as installed: a folder beside its
// own. Usable before the application object exists.
QString folder();

// The entry point `symbol` of the module `fileName` in `folder`, loading the module the
// first time; null, with the reason in `error`, when the module or the symbol is missing.
void* entryPoint(const QString& folder, const char* fileName, const char* symbol, QString* error);

} // namespace program_module
