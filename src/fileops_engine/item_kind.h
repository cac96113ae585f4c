#pragma once
// What stands at a path, looked at without following a last link: "exists" means anything at the path.
#include <string>

namespace dv {

enum class ItemKind { Missing, Folder, Other };

// Missing when nothing is there or a folder on the way is missing. Throws dv::Error for any other failure
// (permission denied on the way, ...).
ItemKind KindAt(const std::string& path);
inline bool ExistsAt(const std::string& path) { return KindAt(path) != ItemKind::Missing; }

// True when `path` names the root folder, also through a link or a path with "..".
bool IsRootFolderPath(const std::string& path);

// How the folder `inner` lies to the folder `outer`, links resolved as far as the path exists.
enum class FolderRelation { Apart, Same, Inside };
FolderRelation RelationOf(const std::string& inner, const std::string& outer);

}  // namespace dv
