#include "rar/disk/disk_extractor.h"

#include "rar/disk/safe_path.h"
#include "rar/format/names.h"
#include "rar/format/status.h"

namespace rar {
namespace {

// Longest symbolic link target accepted; real ones are far shorter.
constexpr std::size_t kMaxLinkTarget = 4096;

// Stored entries arrive in 64 KB pieces; files are written in blocks of up
// to this size, fewer and larger writes.
constexpr std::size_t kWriteBlock = 1 << 20;

class FileSink : public ByteSink {
  public:
    FileSink(const NativePath& path, ByteSink* observer, std::vector<std::uint8_t>& block)
        : file_(File::Create(path)), observer_(observer), block_(block) {
        block_.clear();
    }
    void Write(const std::uint8_t* data, std::size_t size) override {
        if (block_.size() + size > kWriteBlock)
            WriteBlock();
        if (size >= kWriteBlock)
            file_.Write(data, size);
        else
            block_.insert(block_.end(), data, data + size);
        if (observer_)
            observer_->Write(data, size);
    }
    void Close() {
        WriteBlock();
        file_.Close();
    }

  private:
    void WriteBlock() {
        file_.Write(block_.data(), block_.size());
        block_.clear();
    }

    File file_;
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

// Creates the folders of `relative` ('/' between components) below `base`,
// refusing to pass through a link: an earlier entry may have planted one.
NativePath PrepareBelow(const NativePath& base, const std::string& relative, bool lastIsFolder) {
    NativePath current = base;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        const bool isLast = slash == std::string::npos;
        current = JoinPath(current, PathFromUtf8(relative.substr(start, slash - start)));
        if (KindOf(current) == PathKind::Link) {
            if (!isLast)
                throw ArchiveError(Status::CreateFailed, "path passes through a link");
            RemovePath(current); // a link is replaced, never written through
        }
        if (!isLast || lastIsFolder) {
            MakeFolder(current);
            if (KindOf(current) != PathKind::Folder)
                throw ArchiveError(Status::CreateFailed, "cannot create folder");
        }
        if (isLast)
            return current;
        start = slash + 1;
    }
}

} // namespace

void DiskExtractor::Extract(const NativePath& destFolder, const NativePath& destName,
                            ByteSink* observer) {
    const Entry& entry = archive_.current();
    const std::string safeName = SafeRelativePath(entry.name);
    NativePath path;
    if (!destName.empty()) {
        path = destName;
        if (!MakeFolders(ParentPath(path)))
            throw ArchiveError(Status::CreateFailed, "cannot create folder");
    } else {
        if (safeName.empty())
            throw ArchiveError(Status::CreateFailed, "entry name has no usable part");
        MakeFolders(destFolder);
        path = PrepareBelow(destFolder, safeName, entry.isDirectory);
    }
    if (entry.isDirectory) {
        if (!destName.empty())
            MakeFolders(path);
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

void DiskExtractor::WriteFile(const NativePath& path, ByteSink* observer) {
    try {
        FileSink file(path, observer, block_);
        archive_.Unpack(file);
        file.Close();
    } catch (const ArchiveError&) {
        // A file that failed its checksum or stopped half-way is not left
        // behind looking like a good one.
        RemovePath(path);
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

void DiskExtractor::WriteSymlink(const NativePath& path, const std::string& safeName,
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
    if (!MakeSymlink(target, path))
        throw ArchiveError(Status::CreateFailed, "cannot create link " + PathText(path));
#endif
}

void DiskExtractor::WriteCopy(const NativePath& path) {
    // Only files this extraction wrote itself are copied: anything else on
    // disk under that name may not be what the archive meant.
    auto found = written_.find(SafeRelativePath(archive_.current().linkTarget));
    if (found == written_.end() || KindOf(found->second) != PathKind::File)
        throw ArchiveError(Status::BadReference, "link source was not extracted");
    const NativePath& from = found->second;
    if (SameFile(from, path))
        return;
    if (!CopyFileOver(from, path))
        throw ArchiveError(Status::CreateFailed, "cannot copy " + PathText(from));
}

} // namespace rar
