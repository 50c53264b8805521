#pragma once

#include <QString>
#include <functional>

class UserDefaults;

// What the library asks of a screenshots folder on the disk.
namespace storage_folder {

// Which folder the records were filed in ("device:inode:path"), kept beside the folder's
// setting, so that another file system mounted in its place (or its empty mount point) is
// told from it.
constexpr const char* identityKey = "storageDirectoryIdentity";

enum class State {
    present, // the records' folder, or one to take as it
    missing, // not there at all
    away,    // another file system in its place, holding none of the records
};

// The state of `folder`. `holdsRecords` is asked when it is not the folder remembered, nor
// on its file system (the folder made again): a drive back under another device number
// still holds its captures. Before any folder is remembered, `ours` (the default folder)
// is taken as it is. A present folder is remembered.
State state(UserDefaults& defaults, const QString& folder, bool ours,
            const std::function<bool()>& holdsRecords);
// Remembers `folder`, as it is now, as the records' folder.
void remember(UserDefaults& defaults, const QString& folder);

// Which folder the path names, as "device:inode"; empty when no folder is there.
QString identity(const QString& path);
// The file system part of an identity.
QString deviceOf(const QString& identity);

// Creates the folder with its parents; empty on success, else the system's reason.
QString create(const QString& path);
// Empty when files can be made in the folder, else why not ("Permission denied",
// "Read-only file system").
QString whyNotWritable(const QString& path);

} // namespace storage_folder
