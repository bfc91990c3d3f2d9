#pragma once
// The few file system calls the library makes, over the operating system's
// own API: the C++ library's streams and std::filesystem would bring its
// locale machinery into unrar.dll, several times the size of the decoders.
#include <cstddef>
#include <cstdint>
#include <string>

namespace rar {

// A path in the system's own form: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// A name from an archive (UTF-8, or raw bytes) as a path.
NativePath PathFromUtf8(const std::string& name);
// The path as UTF-8, for messages.
std::string PathText(const NativePath& path);
// `name` below `folder`; just `name` when the folder is empty.
NativePath JoinPath(const NativePath& folder, const NativePath& name);
// The path without its last component; empty when it has only one.
NativePath ParentPath(const NativePath& path);

// An open file: read at explicit positions, or written from the start.
// Every failure throws ArchiveError.
class File {
  public:
    static File OpenForReading(const NativePath& path);
    // Creates the file, or empties it when it exists.
    static File Create(const NativePath& path);
    // As Create, where nothing is expected to be: Wine empties a file it
    // creates, and Linux then writes an emptied file out when it is closed.
    // One that is there after all is emptied as by Create.
    static File CreateNew(const NativePath& path);
    File(File&& other) noexcept;
    ~File();

    std::uint64_t Size() const;
    // Reads up to `count` bytes at `offset`; fewer only at the end of the file.
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    void Write(const std::uint8_t* data, std::size_t size);
    // Dates the file's last change: `dosTime` is local time, as archives of
    // the older format keep it. A system that cannot is not a failure: the
    // bytes are what matters, and they are written.
    void SetModified(std::uint32_t dosTime);
    // Closes the file, reporting what the system could not write.
    void Close();

  private:
    explicit File(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_;
};

// What is at `path`, links not followed.
enum class PathKind { None, File, Folder, Link };
PathKind KindOf(const NativePath& path);

// True only when this call made the folder: false when anything, a folder or
// a link included, is there already, or the folder could not be made.
bool CreateFolder(const NativePath& path);
// False when the folder neither exists nor could be made.
bool MakeFolder(const NativePath& path);
// Makes the folder and every missing one above it.
bool MakeFolders(const NativePath& path);
// Removes a file, a link or an empty folder; false when nothing was removed.
bool RemovePath(const NativePath& path);
// Copies `from` over `to`, replacing what was there.
bool CopyFileOver(const NativePath& from, const NativePath& to);
// Whether both paths name the same existing file.
bool SameFile(const NativePath& a, const NativePath& b);
#ifndef _WIN32
// Makes `path` a symbolic link to `target`.
bool MakeSymlink(const NativePath& target, const NativePath& path);
#endif

} // namespace rar
