// The exported functions: each turns the caller's structures into calls on
// the portable core and every failure into an ERAR_* code, here and only here.
#include "rar/api/archive_handle.h"
#include "rar/api/code_page.h"
#include "rar/format/names.h"
#include "rar/format/status.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace rar::api {
namespace {

ArchiveHandle* FromHandle(HANDLE handle) {
    return static_cast<ArchiveHandle*>(handle);
}

// Runs `body`, reporting what stopped it as an ERAR_* code.
template <typename Body> int Guarded(Body body) {
    try {
        body();
        return ERAR_SUCCESS;
    } catch (const ArchiveError& e) {
        return static_cast<int>(e.Code());
    } catch (const std::bad_alloc&) {
        return ERAR_NO_MEMORY;
    } catch (const std::exception&) {
        return ERAR_UNKNOWN;
    }
}

NativePath PathFromPoints(const std::u32string& text) {
    return PathFromUtf8(CodePointsToUtf8(text));
}

std::u32string EntryNameText(const Entry& entry) {
    std::u32string name = Utf8ToCodePoints(entry.name);
#ifdef _WIN32
    std::replace(name.begin(), name.end(), U'/', U'\\');
#endif
    return name;
}

template <std::size_t N> void CopyText(char (&to)[N], const std::string& from) {
    const std::size_t size = std::min(from.size(), N - 1);
    std::memcpy(to, from.data(), size);
    to[size] = '\0';
}

template <std::size_t N> void CopyText(wchar_t (&to)[N], const std::wstring& from) {
    const std::size_t size = std::min(from.size(), N - 1);
    std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(size), to);
    to[size] = L'\0';
}

unsigned EntryFlags(const Entry& entry) {
    unsigned flags = 0;
    if (entry.splitBefore)
        flags |= RHDF_SPLITBEFORE;
    if (entry.splitAfter)
        flags |= RHDF_SPLITAFTER;
    if (entry.encrypted)
        flags |= RHDF_ENCRYPTED;
    if (entry.solid)
        flags |= RHDF_SOLID;
    if (entry.isDirectory)
        flags |= RHDF_DIRECTORY;
    return flags;
}

// 100-nanosecond intervals since 1601, from a DOS date and time.
std::uint64_t FileTimeFromDos(std::uint32_t dos) {
    if (dos == 0)
        return 0;
    const std::int64_t year = 1980 + (dos >> 25), month = (dos >> 21) & 15, day = (dos >> 16) & 31;
    const std::int64_t y = year - (month <= 2);
    const std::int64_t era = y / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t daysSince1970 = era * 146097 + doe - 719468;
    const std::int64_t seconds =
        daysSince1970 * 86400 + ((dos >> 11) & 31) * 3600 + ((dos >> 5) & 63) * 60 + (dos & 31) * 2;
    return static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

void FillHeader(const ArchiveHandle& h, RARHeaderDataEx& d) {
    const Entry& e = h.archive->Current();
    const std::u32string name = EntryNameText(e);
    CopyText(d.ArcName, ToAnsi(h.pathText));
    CopyText(d.ArcNameW, ToWide(h.pathText));
    CopyText(d.FileName, ToAnsi(name));
    CopyText(d.FileNameW, ToWide(name));
    d.Flags = EntryFlags(e);
    d.PackSize = static_cast<unsigned>(e.packedSize);
    d.PackSizeHigh = static_cast<unsigned>(e.packedSize >> 32);
    d.UnpSize = static_cast<unsigned>(e.unpackedSize);
    d.UnpSizeHigh = static_cast<unsigned>(e.unpackedSize >> 32);
    d.HostOS = static_cast<unsigned>(e.hostOs);
    d.FileCRC = e.crc;
    d.FileTime = e.dosTime;
    d.UnpVer = e.unpackVersion;
    d.Method = 0x30 + e.method;
    d.FileAttr = e.attributes;
    d.CmtSize = 0;
    d.CmtState = 0;
    d.DictSize = static_cast<unsigned>(std::min<std::uint64_t>(e.windowSize / 1024, 0xFFFFFFFFu));
    d.HashType = e.hasBlake2 ? RAR_HASH_BLAKE2 : e.hasCrc ? RAR_HASH_CRC32 : RAR_HASH_NONE;
    std::memset(d.Hash, 0, sizeof d.Hash);
    if (e.hasBlake2)
        std::memcpy(d.Hash, e.blake2.data(), sizeof d.Hash);
    d.RedirType = static_cast<unsigned>(e.link);
    if (d.RedirName && d.RedirNameSize > 0) {
        const std::wstring target = ToWide(Utf8ToCodePoints(e.linkTarget));
        const std::size_t size = std::min<std::size_t>(target.size(), d.RedirNameSize - 1);
        std::copy(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(size), d.RedirName);
        d.RedirName[size] = L'\0';
    }
    d.DirTarget = e.linkTargetIsDirectory ? 1 : 0;
    const std::uint64_t mtime = FileTimeFromDos(e.dosTime);
    d.MtimeLow = static_cast<unsigned>(mtime);
    d.MtimeHigh = static_cast<unsigned>(mtime >> 32);
    d.CtimeLow = d.CtimeHigh = d.AtimeLow = d.AtimeHigh = 0;
}

// Hands unpacked bytes to whichever of the caller's data callbacks is set.
class CallbackSink : public ByteSink {
  public:
    explicit CallbackSink(const ArchiveHandle& h) : h_(h) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        auto* bytes = const_cast<std::uint8_t*>(data);
        if (h_.callback &&
            h_.callback(UCM_PROCESSDATA, h_.userData, reinterpret_cast<LPARAM>(bytes),
                        static_cast<LPARAM>(size)) == -1)
            throw ArchiveError(Status::Unknown, "cancelled by the caller");
        if (h_.processDataProc && h_.processDataProc(bytes, static_cast<int>(size)) == 0)
            throw ArchiveError(Status::Unknown, "cancelled by the caller");
    }
    bool Wanted() const { return h_.callback || h_.processDataProc; }

  private:
    const ArchiveHandle& h_;
};

// Asks for a password the way the classic library does; we cannot decrypt,
// so the answer only decides which failure is reported.
Status PasswordRefusal(ArchiveHandle& h) {
    if (!h.passwordGiven && h.callback) {
        wchar_t wide[128] = {};
        char narrow[128] = {};
        const int answer = h.callback(UCM_NEEDPASSWORDW, h.userData, reinterpret_cast<LPARAM>(wide),
                                      static_cast<LPARAM>(128));
        if (answer != -1 && wide[0] == 0)
            h.callback(UCM_NEEDPASSWORD, h.userData, reinterpret_cast<LPARAM>(narrow),
                       static_cast<LPARAM>(128));
        h.passwordGiven = answer != -1 && (wide[0] != 0 || narrow[0] != 0);
    }
    return h.passwordGiven ? Status::UnknownFormat : Status::MissingPassword;
}

// The next volume is asked for as the classic library does; this library
// reads single volumes only, so the entry fails whatever the answer.
void AskNextVolume(ArchiveHandle& h) {
    const std::u32string next = NextVolumeName(h.pathText, h.archive->Info().newNumbering);
    std::wstring wide = ToWide(next);
    std::string narrow = ToAnsi(next);
    wide.resize(1024);
    narrow.resize(1024);
    if (h.callback) {
        if (h.callback(UCM_CHANGEVOLUMEW, h.userData, reinterpret_cast<LPARAM>(wide.data()),
                       RAR_VOL_ASK) != -1)
            h.callback(UCM_CHANGEVOLUME, h.userData, reinterpret_cast<LPARAM>(narrow.data()),
                       RAR_VOL_ASK);
    } else if (h.changeVolProc) {
        h.changeVolProc(narrow.data(), RAR_VOL_ASK);
    }
    throw ArchiveError(Status::ReadFailed, "the next volume is not available");
}

// A handle opened for listing never unpacks, so a solid archive's entries
// need not be decoded to keep its stream in step: headers are all it reads.
bool Listing(const ArchiveHandle& h) {
    return h.openMode == RAR_OM_LIST || h.openMode == RAR_OM_LIST_INCSPLIT;
}

void Process(ArchiveHandle& h, int operation, const NativePath& destPath,
             const NativePath& destName) {
    if (!h.entryPending)
        throw ArchiveError(Status::Unknown, "no header was read");
    h.entryPending = false;
    const Entry& entry = h.archive->Current();
    if (Listing(h))
        return;
    if (operation == RAR_SKIP) {
        h.archive->Skip();
        return;
    }
    if (operation != RAR_TEST && operation != RAR_EXTRACT)
        throw ArchiveError(Status::Unknown, "unknown operation");
    if (entry.encrypted && !entry.isDirectory)
        throw ArchiveError(PasswordRefusal(h), "the entry is encrypted");
    if (entry.splitAfter)
        AskNextVolume(h);
    CallbackSink callbacks(h);
    if (operation == RAR_TEST)
        h.archive->Unpack(callbacks);
    else
        h.extractor->Extract(destPath, destName, callbacks.Wanted() ? &callbacks : nullptr);
}

HANDLE Open(RAROpenArchiveDataEx& data) {
    auto h = std::make_unique<ArchiveHandle>();
    h->openMode = data.OpenMode;
    h->callback = data.Callback;
    h->userData = data.UserData;
    data.OpenResult = static_cast<unsigned>(Guarded([&] {
        if (data.ArcNameW && *data.ArcNameW)
            h->pathText = FromWide(data.ArcNameW);
        else if (data.ArcName)
            h->pathText = FromAnsi(data.ArcName);
        h->path = PathFromPoints(h->pathText);
        try {
            h->archive = std::make_unique<Archive>(h->path);
        } catch (const ArchiveError& e) {
            if (e.Code() == Status::MissingPassword)
                throw ArchiveError(PasswordRefusal(*h), e.what());
            throw;
        }
        h->extractor = std::make_unique<DiskExtractor>(*h->archive);
    }));
    data.CmtSize = 0;
    data.CmtState = 0;
    if (data.OpenResult != ERAR_SUCCESS)
        return nullptr;
    const ArchiveInfo& info = h->archive->Info();
    data.Flags = (info.volume ? ROADF_VOLUME : 0) | (info.hasComment ? ROADF_COMMENT : 0) |
                 (info.locked ? ROADF_LOCK : 0) | (info.solid ? ROADF_SOLID : 0) |
                 (info.newNumbering ? ROADF_NEWNUMBERING : 0) |
                 (info.hasRecovery ? ROADF_RECOVERY : 0) |
                 (info.firstVolume ? ROADF_FIRSTVOLUME : 0);
    return h.release();
}

int ReadHeader(ArchiveHandle& h, RARHeaderDataEx& data) {
    return Guarded([&] {
        for (;;) {
            if (h.entryPending) {
                h.entryPending = false;
                if (!Listing(h))
                    h.archive->Skip();
            }
            if (!h.archive->NextEntry())
                throw ArchiveError(Status::EndArchive, "end of archive");
            h.entryPending = true;
            // Continuations of an entry from an earlier volume are listed only on request.
            if (!(h.archive->Current().splitBefore && h.openMode != RAR_OM_LIST_INCSPLIT))
                break;
        }
        FillHeader(h, data);
    });
}

NativePath PathArgument(const std::u32string& text) {
    return text.empty() ? NativePath() : PathFromPoints(text);
}

} // namespace
} // namespace rar::api

using namespace rar::api;

extern "C" {

HANDLE PASCAL RAROpenArchiveEx(RAROpenArchiveDataEx* data) {
    if (!data)
        return nullptr;
    return Open(*data);
}

HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* data) {
    if (!data)
        return nullptr;
    RAROpenArchiveDataEx ex{};
    ex.ArcName = data->ArcName;
    ex.OpenMode = data->OpenMode;
    ex.CmtBuf = data->CmtBuf;
    ex.CmtBufSize = data->CmtBufSize;
    HANDLE handle = Open(ex);
    data->OpenResult = ex.OpenResult;
    data->CmtSize = ex.CmtSize;
    data->CmtState = ex.CmtState;
    return handle;
}

int PASCAL RARCloseArchive(HANDLE handle) {
    delete FromHandle(handle);
    return ERAR_SUCCESS;
}

int PASCAL RARReadHeaderEx(HANDLE handle, RARHeaderDataEx* data) {
    if (!handle || !data)
        return ERAR_UNKNOWN;
    return ReadHeader(*FromHandle(handle), *data);
}

int PASCAL RARReadHeader(HANDLE handle, RARHeaderData* data) {
    if (!handle || !data)
        return ERAR_UNKNOWN;
    auto ex = std::make_unique<RARHeaderDataEx>();
    const int result = ReadHeader(*FromHandle(handle), *ex);
    if (result != ERAR_SUCCESS)
        return result;
    CopyText(data->ArcName, ex->ArcName);
    CopyText(data->FileName, ex->FileName);
    data->Flags = ex->Flags;
    data->PackSize = ex->PackSize;
    data->UnpSize = ex->UnpSize;
    data->HostOS = ex->HostOS;
    data->FileCRC = ex->FileCRC;
    data->FileTime = ex->FileTime;
    data->UnpVer = ex->UnpVer;
    data->Method = ex->Method;
    data->FileAttr = ex->FileAttr;
    data->CmtSize = 0;
    data->CmtState = 0;
    return ERAR_SUCCESS;
}

int PASCAL RARProcessFile(HANDLE handle, int operation, char* destPath, char* destName) {
    if (!handle)
        return ERAR_UNKNOWN;
    ArchiveHandle& h = *FromHandle(handle);
    return Guarded([&] {
        Process(h, operation, PathArgument(destPath ? FromAnsi(destPath) : std::u32string()),
                PathArgument(destName ? FromAnsi(destName) : std::u32string()));
    });
}

int PASCAL RARProcessFileW(HANDLE handle, int operation, wchar_t* destPath, wchar_t* destName) {
    if (!handle)
        return ERAR_UNKNOWN;
    ArchiveHandle& h = *FromHandle(handle);
    return Guarded([&] {
        Process(h, operation, PathArgument(destPath ? FromWide(destPath) : std::u32string()),
                PathArgument(destName ? FromWide(destName) : std::u32string()));
    });
}

void PASCAL RARSetCallback(HANDLE handle, UNRARCALLBACK callback, LPARAM userData) {
    if (!handle)
        return;
    FromHandle(handle)->callback = callback;
    FromHandle(handle)->userData = userData;
}

void PASCAL RARSetChangeVolProc(HANDLE handle, CHANGEVOLPROC proc) {
    if (handle)
        FromHandle(handle)->changeVolProc = proc;
}

void PASCAL RARSetProcessDataProc(HANDLE handle, PROCESSDATAPROC proc) {
    if (handle)
        FromHandle(handle)->processDataProc = proc;
}

void PASCAL RARSetPassword(HANDLE handle, char* password) {
    if (handle)
        FromHandle(handle)->passwordGiven = password && *password;
}

int PASCAL RARGetDllVersion(void) {
    return RAR_DLL_VERSION;
}

} // extern "C"
