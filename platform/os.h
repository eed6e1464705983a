#pragma once
// What the core needs of the operating system besides reading whole files
// (file_read.h) and the program's folder (program_folder.h): path
// separators, folders and the local calendar time. One implementation per
// system, chosen at build time (os_posix.cpp, os_win32.cpp); nothing above
// platform/ asks which system it runs on.
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

namespace ks {

// Separators of folder names. POSIX: '/' only (a backslash is an ordinary
// character of a file name there). Windows: '\' and '/' both, since names
// from the file pickers and from hand-edited settings come with either.
bool IsPathSeparator(char c);
// Position of the last separator in path; npos when there is none.
size_t LastPathSeparator(std::string_view path);
// The separator this system writes between a folder and a name.
char NativePathSeparator();
// folder + separator + name; just name when folder is empty, no second
// separator when folder already ends with one.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates one folder (its parent must exist). False when it was not made,
// also when it already existed.
bool MakeFolder(const std::string& path);
// True when path names a folder that this process may make its current one
// and create files in by relative name.
bool IsEnterableFolder(const std::string& path);
// True when something carries this name, whatever it is; a symbolic link
// whose target is gone counts, since a new file of that name would
// replace the link.
bool PathExists(const std::string& path);

// What a name stands for. Unknown: the system would not say (no right to
// look into the folder, for instance), so nothing may be assumed.
enum class PathKind { Missing, File, Folder, Other, Unknown };
// Follows symbolic links: a link to a file is a File, a dangling one Missing.
PathKind KindOfPath(const std::string& path);

// Replaces the contents of the file at path with data, or creates it. The
// bytes go to one fixed temporary name beside the file (path + ".tmp"), are
// flushed to the disk and then renamed over the file, so that a crash or a
// power cut leaves either the old or the new file, never a torn one, and at
// most that one stale copy, which the next write replaces. On POSIX a
// symbolic link keeps pointing at its file, which is what gets replaced,
// and the file keeps its permissions. False when the file could not be
// replaced; it is then as it was.
bool ReplaceFileDurably(const std::string& path, std::string_view data);

// Makes the name `path` (a file or folder just made) reach the disk in the
// folder that holds it, so that a power cut cannot take the new file away
// again. Where the file system keeps new names with the file's own data
// (Windows), there is nothing to do. False when the folder could not be
// synced.
bool SyncFolderOf(const std::string& path);

// Broken-down local time of `when`, in the time zone of the machine.
std::tm LocalCalendarTime(std::time_t when);

}  // namespace ks
