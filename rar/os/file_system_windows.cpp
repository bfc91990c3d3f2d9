#include "rar/format/status.h"
#include "rar/os/file_system.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace rar {
namespace {

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t OpenHandle(const NativePath& path, DWORD access, DWORD disposition) {
    const HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return reinterpret_cast<std::intptr_t>(handle);
}

// Reads and writes go in pieces a DWORD can count.
constexpr std::size_t kMaxPiece = 1u << 30;

bool Identity(const NativePath& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access asked for: attributes and identity only, folders included.
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool got = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return got;
}

} // namespace

std::string PathText(const NativePath& path) {
    if (path.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
}

File File::OpenForReading(const NativePath& path) {
    File file(OpenHandle(path, GENERIC_READ, OPEN_EXISTING));
    if (AsHandle(file.handle_) == INVALID_HANDLE_VALUE)
        throw ArchiveError(Status::OpenFailed, "cannot open " + PathText(path));
    return file;
}

File File::Create(const NativePath& path) {
    File file(OpenHandle(path, GENERIC_WRITE, CREATE_ALWAYS));
    if (AsHandle(file.handle_) == INVALID_HANDLE_VALUE)
        throw ArchiveError(Status::CreateFailed, "cannot create " + PathText(path));
    return file;
}

File File::CreateNew(const NativePath& path) {
    File file(OpenHandle(path, GENERIC_WRITE, CREATE_NEW));
    if (AsHandle(file.handle_) != INVALID_HANDLE_VALUE)
        return file;
    if (GetLastError() == ERROR_FILE_EXISTS)
        return Create(path);
    throw ArchiveError(Status::CreateFailed, "cannot create " + PathText(path));
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE))) {
}

File::~File() {
    if (AsHandle(handle_) != INVALID_HANDLE_VALUE)
        CloseHandle(AsHandle(handle_));
}

std::uint64_t File::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(handle_), &size))
        throw ArchiveError(Status::ReadFailed, "cannot read the file size");
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t File::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    // A seek and a plain read, not a read that carries its position: under
    // Wine the latter is a round trip to the server, some thirty times the
    // cost of both calls here.
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(AsHandle(handle_), at, nullptr, FILE_BEGIN))
        throw ArchiveError(Status::ReadFailed, "cannot read the file");
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        const DWORD piece = static_cast<DWORD>(std::min(count - done, kMaxPiece));
        if (!ReadFile(AsHandle(handle_), buffer + done, piece, &got, nullptr))
            throw ArchiveError(Status::ReadFailed, "cannot read the file");
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void File::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min(size, kMaxPiece));
        if (!WriteFile(AsHandle(handle_), data, piece, &written, nullptr) || written == 0)
            throw ArchiveError(Status::WriteFailed, "cannot write the file");
        data += written;
        size -= written;
    }
}

void File::SetModified(std::uint32_t dosTime) {
    FILETIME local, utc;
    if (DosDateTimeToFileTime(static_cast<WORD>(dosTime >> 16), static_cast<WORD>(dosTime),
                              &local) &&
        LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(AsHandle(handle_), nullptr, nullptr, &utc);
}

void File::Close() {
    const HANDLE handle =
        AsHandle(std::exchange(handle_, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)));
    if (!CloseHandle(handle))
        throw ArchiveError(Status::CloseFailed, "cannot close the file");
}

PathKind KindOf(const NativePath& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::None;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool CreateFolder(const NativePath& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool RemovePath(const NativePath& path) {
    return DeleteFileW(path.c_str()) || RemoveDirectoryW(path.c_str());
}

bool CopyFileOver(const NativePath& from, const NativePath& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool SameFile(const NativePath& a, const NativePath& b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return Identity(a, first) && Identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

} // namespace rar
