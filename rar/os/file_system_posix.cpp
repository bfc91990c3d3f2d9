#include "rar/format/status.h"
#include "rar/os/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

namespace rar {
namespace {

int AsDescriptor(std::intptr_t value) {
    return static_cast<int>(value);
}

bool StatusOf(const NativePath& path, struct stat& info) {
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string PathText(const NativePath& path) {
    return path;
}

File File::OpenForReading(const NativePath& path) {
    File file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.handle_ < 0)
        throw ArchiveError(Status::OpenFailed, "cannot open " + path);
    return file;
}

File File::Create(const NativePath& path) {
    File file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.handle_ < 0)
        throw ArchiveError(Status::CreateFailed, "cannot create " + path);
    return file;
}

File File::CreateNew(const NativePath& path) {
    File file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.handle_ >= 0)
        return file;
    if (errno == EEXIST)
        return Create(path);
    throw ArchiveError(Status::CreateFailed, "cannot create " + path);
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File::~File() {
    if (handle_ >= 0)
        close(AsDescriptor(handle_));
}

std::uint64_t File::Size() const {
    struct stat info;
    if (fstat(AsDescriptor(handle_), &info) != 0)
        throw ArchiveError(Status::ReadFailed, "cannot read the file size");
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t File::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(AsDescriptor(handle_), buffer + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw ArchiveError(Status::ReadFailed, "cannot read the file");
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(AsDescriptor(handle_), data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw ArchiveError(Status::WriteFailed, "cannot write the file");
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void File::SetModified(std::uint32_t dosTime) {
    std::tm local{};
    local.tm_year = static_cast<int>(dosTime >> 25) + 80;
    local.tm_mon = static_cast<int>(dosTime >> 21 & 15) - 1;
    local.tm_mday = static_cast<int>(dosTime >> 16 & 31);
    local.tm_hour = static_cast<int>(dosTime >> 11 & 31);
    local.tm_min = static_cast<int>(dosTime >> 5 & 63);
    local.tm_sec = static_cast<int>(dosTime & 31) * 2;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1))
        return;
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    futimens(AsDescriptor(handle_), times);
}

void File::Close() {
    if (close(AsDescriptor(std::exchange(handle_, -1))) != 0)
        throw ArchiveError(Status::CloseFailed, "cannot close the file");
}

PathKind KindOf(const NativePath& path) {
    struct stat info;
    if (!StatusOf(path, info))
        return PathKind::None;
    if (S_ISLNK(info.st_mode))
        return PathKind::Link;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

bool CreateFolder(const NativePath& path) {
    return mkdir(path.c_str(), 0777) == 0;
}

bool RemovePath(const NativePath& path) {
    return unlink(path.c_str()) == 0 || rmdir(path.c_str()) == 0;
}

bool CopyFileOver(const NativePath& from, const NativePath& to) {
    try {
        File source = File::OpenForReading(from);
        File target = File::Create(to);
        std::uint8_t buffer[1 << 16];
        std::uint64_t offset = 0;
        while (const std::size_t got = source.ReadAt(offset, buffer, sizeof buffer)) {
            target.Write(buffer, got);
            offset += got;
        }
        target.Close();
        return true;
    } catch (const ArchiveError&) {
        return false;
    }
}

bool SameFile(const NativePath& a, const NativePath& b) {
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool MakeSymlink(const NativePath& target, const NativePath& path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

} // namespace rar
