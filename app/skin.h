// Where the skin library is found, whether it offers its function, and the call that applies the skin.
// Widget-free: the library itself touches the widgets.
#pragma once

#include <cstddef>
#include <string>

#include "web/text.h"

namespace ql {

// The skin data the program hands to the library unchanged (3,482 bytes).
const unsigned char* EmbeddedSkin();
int EmbeddedSkinSize();

inline constexpr char kSkinLibraryName[] = "VELTO.dll";

// The system library folder, with a trailing "/": fixed at build time (install prefix + lib/qinglan/).
std::string SystemFolder();
void SetSystemFolder(std::string folder);  // tests point it elsewhere; a missing trailing "/" is added

// Full path of VELTO.dll in the run directory (file system encoding).
std::string RunDirectorySkinLibrary();
bool FileExists(const std::string& path);  // a regular file (after following links)

// Sets SkinLibraryPath: the trimmed candidate when a file exists there; otherwise the copy in the
// system folder, else the one in the run directory; when none exists, the trimmed candidate.
void LocateSkinLibrary(const Text& candidate);
// The same with a path in the file system's encoding (keeps names that have no GBK form usable).
void LocateSkinLibraryPath(const std::string& candidate);

// True when the library at SkinLibraryPath exists, loads (once per path and process; it stays loaded)
// and exports the function.
bool SkinFunctionAvailable(const Text& name);

// Calls SkinH_AttachRes(EmbeddedSkin, 3482, nullptr, 0, 0, 0); true when it returned 0.
bool ApplySkin();

}  // namespace ql
