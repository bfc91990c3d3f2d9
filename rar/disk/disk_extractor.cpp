#include "rar/disk/disk_extractor.h"

#include "rar/disk/safe_path.h"
#include "rar/format/names.h"
#include "rar/format/status.h"

#include <fstream>
#include <system_error>

namespace rar {
namespace fs = std::filesystem;
namespace {

// Longest symbolic link target accepted; real ones are far shorter.
constexpr std::size_t kMaxLinkTarget = 4096;

// Stored entries arrive in 64 KB pieces; files are written in blocks of up
// to this size, fewer and larger writes.
constexpr std::size_t kWriteBlock = 1 << 20;

class FileSink : public ByteSink {
  public:
    FileSink(const fs::path& path, ByteSink* observer, std::vector<std::uint8_t>& block)
        : observer_(observer), block_(block) {
        block_.clear();
        stream_.open(path, std::ios::binary | std::ios::trunc);
        if (!stream_)
            throw ArchiveError(Status::CreateFailed, "cannot create " + path.string());
    }
    void Write(const std::uint8_t* data, std::size_t size) override {
        if (block_.size() + size > kWriteBlock)
            WriteBlock();
        if (size >= kWriteBlock)
            WriteOut(data, size);
        else
            block_.insert(block_.end(), data, data + size);
        if (observer_)
            observer_->Write(data, size);
    }
    void Close() {
        WriteBlock();
        stream_.close();
        if (!stream_)
            throw ArchiveError(Status::CloseFailed, "cannot close the file");
    }

  private:
    void WriteBlock() {
        WriteOut(block_.data(), block_.size());
        block_.clear();
    }
    void WriteOut(const std::uint8_t* data, std::size_t size) {
        stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!stream_)
            throw ArchiveError(Status::WriteFailed, "cannot write the file");
    }

    std::ofstream stream_;
    ByteSink* observer_;
    std::vector<std::uint8_t>& block_;
};

class MemorySink : public ByteSink {
  public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        if (size > kMaxLinkTarget - text.size())
            throw ArchiveError(Status::BadData, "link target too long");
        text.append(reinterpret_cast<const char*>(data), size);
    }
    std::string text;
};

bool IsLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error));
}

// Creates the folders of `relative` below `base`, refusing to pass through
// a symbolic link: an earlier entry may have planted one.
fs::path PrepareBelow(const fs::path& base, const std::string& relative, bool lastIsFolder) {
    fs::path current = base;
    const fs::path rel = PathFromUtf8(relative);
    auto last = std::prev(rel.end());
    for (auto it = rel.begin(); it != rel.end(); ++it) {
        current /= *it;
        const bool isLast = it == last;
        if (IsLink(current)) {
            if (!isLast)
                throw ArchiveError(Status::CreateFailed, "path passes through a link");
            std::error_code error;
            fs::remove(current, error); // a link is replaced, never written through
        }
        if (!isLast || lastIsFolder) {
            std::error_code error;
            fs::create_directory(current, error);
            if (!fs::is_directory(fs::symlink_status(current, error)))
                throw ArchiveError(Status::CreateFailed, "cannot create folder");
        }
    }
    return current;
}

} // namespace

fs::path PathFromUtf8(const std::string& name) {
#ifdef _WIN32
    std::wstring wide;
    for (char32_t c : Utf8ToCodePoints(name)) {
        // Bytes that were no text cannot be unpaired surrogates in a Windows
        // name on every file system; they are read as Latin-1 instead.
        if (c >= 0xDC80 && c <= 0xDCFF) {
            wide += static_cast<wchar_t>(c - 0xDC00);
        } else if (c >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(c);
        }
    }
    return fs::path(wide);
#else
    return fs::path(name);
#endif
}

void DiskExtractor::Extract(const fs::path& destFolder, const fs::path& destName,
                            ByteSink* observer) {
    const Entry& entry = archive_.current();
    const std::string safeName = SafeRelativePath(entry.name);
    fs::path path;
    if (!destName.empty()) {
        path = destName;
        if (path.has_parent_path())
            fs::create_directories(path.parent_path());
    } else {
        if (safeName.empty())
            throw ArchiveError(Status::CreateFailed, "entry name has no usable part");
        std::error_code error;
        if (!destFolder.empty())
            fs::create_directories(destFolder, error);
        path = PrepareBelow(destFolder, safeName, entry.isDirectory);
    }
    if (entry.isDirectory) {
        if (!destName.empty()) {
            std::error_code error;
            fs::create_directories(path, error);
        }
        return;
    }
    switch (entry.link) {
    case LinkKind::HardLink:
    case LinkKind::FileCopy:
        WriteCopy(path);
        break;
    case LinkKind::UnixSymlink:
    case LinkKind::WindowsSymlink:
    case LinkKind::Junction:
        WriteSymlink(path, safeName, observer);
        return;
    case LinkKind::None:
        WriteFile(path, observer);
        break;
    }
    written_[safeName] = path;
}

void DiskExtractor::WriteFile(const fs::path& path, ByteSink* observer) {
    try {
        FileSink file(path, observer, block_);
        archive_.Unpack(file);
        file.Close();
    } catch (const ArchiveError&) {
        // A file that failed its checksum or stopped half-way is not left
        // behind looking like a good one.
        std::error_code error;
        fs::remove(path, error);
        throw;
    }
}

std::string DiskExtractor::LinkTarget(ByteSink* observer) {
    const Entry& entry = archive_.current();
    if (archive_.info().format == Format::Rar50) {
        std::string target = entry.linkTarget;
        for (char& c : target)
            if (c == '\\')
                c = '/';
        return target;
    }
    // Older archives keep a symbolic link's target as the entry's data.
    MemorySink memory;
    archive_.Unpack(memory);
    if (observer)
        observer->Write(reinterpret_cast<const std::uint8_t*>(memory.text.data()),
                        memory.text.size());
    return memory.text;
}

void DiskExtractor::WriteSymlink(const fs::path& path, const std::string& safeName,
                                 ByteSink* observer) {
    const std::string target = LinkTarget(observer);
    // Windows junctions name absolute places, and creating links there needs
    // rights a setup does not ask for; such entries, like links that would
    // point outside the destination, are passed over, not created.
#ifdef _WIN32
    (void)path;
    (void)safeName;
#else
    if (archive_.current().link == LinkKind::Junction || !LinkStaysInside(safeName, target))
        return;
    std::error_code error;
    fs::create_symlink(fs::path(target), path, error);
    if (error)
        throw ArchiveError(Status::CreateFailed, "cannot create link " + path.string());
#endif
}

void DiskExtractor::WriteCopy(const fs::path& path) {
    // Only files this extraction wrote itself are copied: anything else on
    // disk under that name may not be what the archive meant.
    auto found = written_.find(SafeRelativePath(archive_.current().linkTarget));
    std::error_code error;
    if (found == written_.end() || !fs::is_regular_file(fs::symlink_status(found->second, error)))
        throw ArchiveError(Status::BadReference, "link source was not extracted");
    const fs::path& from = found->second;
    if (fs::equivalent(from, path, error))
        return;
    fs::copy_file(from, path, fs::copy_options::overwrite_existing, error);
    if (error)
        throw ArchiveError(Status::CreateFailed, "cannot copy " + from.string());
}

} // namespace rar
