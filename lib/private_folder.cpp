#include "lib/private_folder.h"

#include "lib/file.h"
#include "lib/path.h"
#include "lib/temp_file.h"

#include <ntsecapi.h>

#include <vector>

namespace setupkit {
namespace {

constexpr const char* kFolderPrefix = "KVprivate-";
constexpr int kNameAttempts = 16;
// Ten seconds: far longer than an owner takes from making its folder to holding it.
constexpr unsigned long long kLeftOverAfter100ns = 10ULL * 10000000ULL;

// Sixteen hex digits from the system's random source. A name someone guessed
// costs nothing but another attempt: a folder that already exists is never used.
std::string RandomName() {
    unsigned long long value = 0;
    if (!RtlGenRandom(&value, sizeof value)) {
        LARGE_INTEGER counter{};
        ::QueryPerformanceCounter(&counter);
        value = static_cast<unsigned long long>(counter.QuadPart) ^
                (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32);
    }
    std::string name = kFolderPrefix;
    for (int shift = 60; shift >= 0; shift -= 4)
        name += "0123456789abcdef"[(value >> shift) & 0xF];
    return name;
}

// The user the process runs as; empty when the token cannot be read.
std::vector<BYTE> CurrentUser() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put()))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size))
        return {};
    return user;
}

// Full control for the current user alone, passed on to the files made in
// the folder, and nothing inherited from the temporary folder above it.
class OwnerOnlySecurity {
  public:
    OwnerOnlySecurity() : user_(CurrentUser()) {
        if (user_.empty())
            return;
        const PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
        auto* acl = reinterpret_cast<PACL>(acl_.data());
        valid_ =
            ::InitializeAcl(acl, acl_.size(), ACL_REVISION) &&
            ::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                    GENERIC_ALL, sid) &&
            ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
            ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;
    SECURITY_ATTRIBUTES* Attributes() { return valid_ ? &attributes_ : nullptr; }

  private:
    std::vector<BYTE> user_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};

// Held by the owner for its whole run: open without delete sharing, so that
// the cleaner of another run cannot take the folder.
UniqueHandle HoldFolder(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// A folder no run holds. An owner holds its folder a moment after making
// it; one untouched for a while that no one holds is left over.
bool IsLeftOver(const std::string& path, const FILETIME& lastWrite) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    if (ticks(now) < ticks(lastWrite) + kLeftOverAfter100ns)
        return false;
    // Asking for delete access fails while the owner's hold refuses delete sharing.
    return UniqueHandle(::CreateFileA(path.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr))
        .Valid();
}

// Only files are made in the folder; whatever else is there is not ours.
template <typename Delete> void DeleteFilesIn(const std::string& folder, Delete deleteFile) {
    WIN32_FIND_DATAA found;
    FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find)
        return;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            deleteFile(folder + "\\" + found.cFileName);
    } while (::FindNextFileA(find.Get(), &found));
}

} // namespace

PrivateFolder::PrivateFolder() {
    const std::string temp = GetTempFolder();
    if (temp.empty())
        return;
    OwnerOnlySecurity security;
    for (int attempt = 0; attempt < kNameAttempts && !hold_; ++attempt) {
        const std::string path = path::AddBackslash(temp) + RandomName();
        if (!::CreateDirectoryA(path.c_str(), security.Attributes()))
            continue;
        hold_ = HoldFolder(path);
        if (hold_)
            path_ = path;
    }
}

PrivateFolder::~PrivateFolder() {
    if (!hold_)
        return;
    // The step's files may still be held a moment by a process it started.
    DeleteFilesIn(path_, file::DeleteFileWhenFree);
    hold_.Reset();
    ::RemoveDirectoryA(path_.c_str());
}

UniqueHandle PrivateFolder::NewFile(std::string& path) {
    path.clear();
    if (!hold_)
        return UniqueHandle();
    path = path_ + "\\KV" + std::to_string(++fileCount_) + ".tmp";
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file)
        path.clear();
    return file;
}

std::string PrivateFolder::Keep() {
    hold_.Reset();
    return std::move(path_);
}

void RemoveStalePrivateFolders() {
    const std::string temp = GetTempFolder();
    if (temp.empty())
        return;
    const std::string pattern = path::AddBackslash(temp) + kFolderPrefix + "*";
    WIN32_FIND_DATAA found;
    FindHandle find(::FindFirstFileA(pattern.c_str(), &found));
    if (!find)
        return;
    do {
        const DWORD attributes = found.dwFileAttributes;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::string folder = path::AddBackslash(temp) + found.cFileName;
        if (!IsLeftOver(folder, found.ftLastWriteTime))
            continue;
        DeleteFilesIn(folder, [](const std::string& path) { ::DeleteFileA(path.c_str()); });
        ::RemoveDirectoryA(folder.c_str());
    } while (::FindNextFileA(find.Get(), &found));
}

} // namespace setupkit
