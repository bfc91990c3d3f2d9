#include "rar/disk/disk_extractor.h"

#include "rar/disk/safe_path.h"
#include "rar/format/names.h"
#include "rar/format/status.h"

#include <utility>

namespace rar {
namespace {

// Longest symbolic link target accepted; real ones are far shorter.
constexpr std::size_t kMaxLinkTarget = 4096;

// Decoders and the stored-data path hand over small pieces; files are written
// in blocks of up to this size, fewer and larger writes.
constexpr std::size_t kWriteBlock = 1 << 20;

class FileSink : public ByteSink {
  public:
    FileSink(File file, ByteSink* observer, std::vector<std::uint8_t>& block)
        : file_(std::move(file)), observer_(observer), block_(block) {
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
    // `dosTime`: the entry's date, 0 when it has none.
    void Close(std::uint32_t dosTime) {
        WriteBlock();
        if (dosTime != 0)
            file_.SetModified(dosTime);
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

} // namespace

void DiskExtractor::Extract(const NativePath& destFolder, const NativePath& destName,
                            ByteSink* observer) {
    const Entry& entry = archive_.Current();
    const std::string safeName = SafeRelativePath(entry.name);
    const auto place = [&] { return Place(destFolder, destName, safeName); };
    const Placement placed = place();
    const NativePath& path = placed.path;
    if (entry.isDirectory)
        return;
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
        WriteFile(CreateOutput(placed, place), path, observer);
        break;
    }
    written_[safeName] = path;
}

DiskExtractor::Placement DiskExtractor::Place(const NativePath& destFolder,
                                              const NativePath& destName,
                                              const std::string& safeName) {
    const bool isFolder = archive_.Current().isDirectory;
    if (!destName.empty()) {
        if (!MakeFolders(ParentPath(destName)))
            throw ArchiveError(Status::CreateFailed, "cannot create folder");
        if (isFolder)
            MakeFolders(destName);
        return {destName};
    }
    if (safeName.empty())
        throw ArchiveError(Status::CreateFailed, "entry name has no usable part");
    if (!folders_.Find(destFolder))
        MakeDestination(destFolder);
    return PrepareBelow(destFolder, safeName, isFolder);
}

// A destination this call creates holds only names the extraction writes, so
// its files need no look for a planted link, as in the folders below it.
void DiskExtractor::MakeDestination(const NativePath& destFolder) {
    if (destFolder.empty()) {
        folders_[destFolder] = false; // the current folder
        return;
    }
    const NativePath parent = ParentPath(destFolder);
    if (!parent.empty() && parent != destFolder)
        MakeFolders(parent);
    if (CreateFolder(destFolder))
        folders_[destFolder] = true;
    else if (KindOf(destFolder) == PathKind::Folder)
        folders_[destFolder] = false;
}

// Makes the folders of `relative` ('/' between components) below `base`,
// never passing through a link: an earlier entry may have planted one.
DiskExtractor::Placement DiskExtractor::PrepareBelow(const NativePath& base,
                                                     const std::string& relative,
                                                     bool lastIsFolder) {
    NativePath current = base;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        const bool isLast = slash == std::string::npos;
        const bool* made = isLast ? folders_.Find(current) : nullptr;
        const bool inMadeFolder = made && *made;
        current = JoinPath(current, PathFromUtf8(relative.substr(start, slash - start)));
        if (!isLast || lastIsFolder)
            MakeRealFolder(current, isLast);
        else if (!inMadeFolder && KindOf(current) == PathKind::Link)
            Remove(current); // a link is replaced, never written through
        if (isLast)
            return {current, inMadeFolder};
        start = slash + 1;
    }
}

// A link in the place of the folder is replaced when the folder is the
// entry itself, and refused on the way to one.
void DiskExtractor::MakeRealFolder(const NativePath& path, bool isLast) {
    if (folders_.Find(path))
        return;
    bool made = CreateFolder(path);
    if (!made) {
        const PathKind kind = KindOf(path);
        if (kind == PathKind::Link) {
            if (!isLast)
                throw ArchiveError(Status::CreateFailed, "path passes through a link");
            Remove(path);
            made = CreateFolder(path);
        }
        if (!made && kind != PathKind::Folder)
            throw ArchiveError(Status::CreateFailed, "cannot create folder");
    }
    folders_[path] = made;
}

// What the extraction removes may have been a remembered folder, or above one.
void DiskExtractor::Remove(const NativePath& path) {
    RemovePath(path);
    Forget();
}

void DiskExtractor::Forget() {
    folders_.Clear();
}

// A remembered folder may have been removed by someone else since an earlier
// entry: the way to the file is then made afresh, once.
File DiskExtractor::CreateOutput(const Placement& placed, const std::function<Placement()>& place) {
    try {
        return placed.inMadeFolder ? File::CreateNew(placed.path) : File::Create(placed.path);
    } catch (const ArchiveError&) {
        if (folders_.Empty())
            throw;
        Forget();
        place();
        return File::Create(placed.path);
    }
}

void DiskExtractor::WriteFile(File file, const NativePath& path, ByteSink* observer) {
    try {
        FileSink sink(std::move(file), observer, block_);
        archive_.Unpack(sink);
        sink.Close(archive_.Current().dosTime);
    } catch (const ArchiveError&) {
        // A file that failed its checksum or stopped half-way is not left
        // behind looking like a good one.
        Remove(path);
        throw;
    }
}

std::string DiskExtractor::LinkTarget(ByteSink* observer) {
    const Entry& entry = archive_.Current();
    if (archive_.Info().format == Format::Rar50) {
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
    if (archive_.Current().link == LinkKind::Junction || !LinkStaysInside(safeName, target))
        return;
    if (!MakeSymlink(target, path))
        throw ArchiveError(Status::CreateFailed, "cannot create link " + PathText(path));
    // Its folder now holds a name that is a link.
    Forget();
#endif
}

void DiskExtractor::WriteCopy(const NativePath& path) {
    // Only files this extraction wrote itself are copied: anything else on
    // disk under that name may not be what the archive meant.
    const NativePath* found = written_.Find(SafeRelativePath(archive_.Current().linkTarget));
    if (!found || KindOf(*found) != PathKind::File)
        throw ArchiveError(Status::BadReference, "link source was not extracted");
    const NativePath& from = *found;
    if (SameFile(from, path))
        return;
    if (!CopyFileOver(from, path))
        throw ArchiveError(Status::CreateFailed, "cannot copy " + PathText(from));
}

} // namespace rar
