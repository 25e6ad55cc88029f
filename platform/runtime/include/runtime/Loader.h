#pragma once
// Loading of injected libraries by filter, the way the platform injects code
// into its processes when they start.
//
// The device folder kInjectedLibrariesFolder holds each library as
// `<name>.so` beside its filter `<name>.plist`, a property list (XML or
// binary) of the form
//
//   { Filter = { Bundles = ( "com.apple.springboard", ... ); }; }
//
// A process that starts calls loadInjectedLibraries with its bundle
// identifier; every library whose filter names it is loaded with dlopen, in
// name order, and its initialiser (a constructor function) runs then. That
// initialiser runs before the dynamic initialisers of its own file: what it
// stores must live in constant-initialised variables (`constinit`, as
// runtime::Original allows). A library without a filter is never loaded.
// Libraries stay loaded for the life of the process: the methods they
// install point into their code.
//
// Problems with one library (unreadable or malformed filter, library file
// missing, dlopen failing) are logged as error lines and that library is
// skipped; the rest still load.

#include <filesystem>
#include <string_view>
#include <vector>

namespace runtime {

inline constexpr std::string_view kInjectedLibrariesFolder = "/Library/DynamicLibraries";

// The libraries loaded for this bundle identifier (already loaded ones
// included; their initialisers do not run again).
std::vector<std::filesystem::path> loadInjectedLibraries(std::string_view bundleIdentifier);

}  // namespace runtime
