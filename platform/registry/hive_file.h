// Where the registry lives on disk, and the one way its files are read and
// changed.
//
// Each root is one file (see hive_format.h) in registryDir(). Every access
// holds an exclusive lock on that file (profile/replace_lock.h) and reads it
// afresh, so a change always starts from what the last writer, in any
// process, left; a change is written to a temporary file, flushed and
// renamed over the old one before the lock is released.
//
// A file that does not parse is never written over: it is renamed aside
// (".corrupt", or ".corrupt-N" when that name is taken), the access that
// found it fails with Status::Corrupt and a log line naming the file and the
// line, and the root starts again empty.
#pragma once

#include <filesystem>
#include <functional>

#include "hive.h"
#include "types.h"

namespace kel::registry {

// $KEL_REGISTRY_DIR when set (tests), else the "registry" folder in the
// per-user configuration folder.
std::filesystem::path registryDir();

std::filesystem::path hiveFilePath(Root root);

// Runs `use` on the root's tree as it is on disk now and returns what `use`
// returns, or why the tree could not be read.
Status readHive(Root root, const std::function<Status(const KeyNode&)>& use);

// Runs `change` on the root's tree as it is on disk now; when it returns
// Status::Ok and the tree is no longer what the file holds, the file is
// replaced.
Status modifyHive(Root root, const std::function<Status(KeyNode&)>& change);

}  // namespace kel::registry
