#include "builder/file_io.h"

#include "builder/build_error.h"
#include "builder/rar_writer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace setupkit::builder {

namespace fs = std::filesystem;

namespace {

// Scratch files still uncommitted, where a signal handler can reach them
// without allocating: a build stopped by Ctrl+C or a kill removes them on its
// way out. A build has at most two open at once.
constexpr std::size_t kScratchSlots = 4;
constexpr std::size_t kScratchPathLength = 4096;
fs::path::value_type scratchPaths[kScratchSlots][kScratchPathLength];
volatile std::sig_atomic_t scratchInUse[kScratchSlots];

extern "C" void RemoveScratchAndStop(int signal) {
    for (std::size_t slot = 0; slot < kScratchSlots; ++slot)
        if (scratchInUse[slot])
#ifdef _WIN32
            _wremove(scratchPaths[slot]);
#else
            std::remove(scratchPaths[slot]);
#endif
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void RemoveScratchOnSignals() {
    static const bool kWatching = [] {
        for (int signal : {SIGINT, SIGTERM})
            std::signal(signal, RemoveScratchAndStop);
#ifdef SIGHUP
        std::signal(SIGHUP, RemoveScratchAndStop);
#endif
        return true;
    }();
    static_cast<void>(kWatching);
}

// The slot now holding `path`, or -1 when none is free or it is too long (the
// file is then only removed on the ordinary ways out).
int RememberScratch(const fs::path& path) {
    RemoveScratchOnSignals();
    const fs::path::string_type& name = path.native();
    for (std::size_t slot = 0; slot < kScratchSlots; ++slot) {
        if (scratchInUse[slot] || name.size() >= kScratchPathLength)
            continue;
        std::copy(name.c_str(), name.c_str() + name.size() + 1, scratchPaths[slot]);
        scratchInUse[slot] = 1;
        return static_cast<int>(slot);
    }
    return -1;
}

void ForgetScratch(int& slot) {
    if (slot >= 0)
        scratchInUse[slot] = 0;
    slot = -1;
}

// Creates `path` only when nothing is there yet; -1 otherwise.
int CreateNewFile(const fs::path& path, bool program) {
#ifdef _WIN32
    static_cast<void>(program); // Windows runs a program by its name
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, program ? 0777 : 0666);
#endif
}

long WriteSome(int descriptor, const char* data, std::size_t size) {
#ifdef _WIN32
    return _write(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
#else
    return static_cast<long>(::write(descriptor, data, size));
#endif
}

int OpenForReading(const fs::path& path) {
#ifdef _WIN32
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

long ReadSome(int descriptor, char* data, std::size_t size) {
#ifdef _WIN32
    return _read(descriptor, data, static_cast<unsigned>(size));
#else
    return static_cast<long>(::read(descriptor, data, size));
#endif
}

bool SeekTo(int descriptor, std::uint64_t offset) {
#ifdef _WIN32
    return _lseeki64(descriptor, static_cast<__int64>(offset), SEEK_SET) >= 0;
#else
    return ::lseek(descriptor, static_cast<off_t>(offset), SEEK_SET) >= 0;
#endif
}

int CloseFile(int descriptor) {
#ifdef _WIN32
    return _close(descriptor);
#else
    return ::close(descriptor);
#endif
}

// Closes a file opened for reading.
struct ReadDescriptor {
    int value;
    ~ReadDescriptor() {
        if (value >= 0)
            CloseFile(value);
    }
};

constexpr std::size_t kReadPiece = 1 << 20;

[[noreturn]] void CannotRead(const std::string& path) {
    throw BuildError("cannot read '" + path + "': " + std::strerror(errno), ExitCode::InputOutput);
}

bool IsInputFile(const fs::path& out, const fs::path& input) {
    std::error_code ignored; // an input that cannot be examined is not the output
    if (!fs::is_directory(input, ignored))
        return fs::equivalent(input, out, ignored);
    for (fs::recursive_directory_iterator it(input, ignored), end; it != end; it.increment(ignored))
        if (fs::equivalent(it->path(), out, ignored))
            return true;
    return false;
}

bool IsAnyInput(const fs::path& out, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (IsInputFile(out, fs::u8path(input)))
            return true;
    return false;
}

} // namespace

std::uint32_t ModifiedDosTime(const std::string& path) {
    std::tm local{};
#ifdef _WIN32
    struct _stat64 info;
    if (_wstat64(fs::u8path(path).c_str(), &info) != 0 ||
        _localtime64_s(&local, &info.st_mtime) != 0)
        CannotRead(path);
#else
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !localtime_r(&info.st_mtime, &local))
        CannotRead(path);
#endif
    if (local.tm_year < 80)
        return DosTime(1980, 1, 1, 0, 0, 0);
    if (local.tm_year > 207)
        return DosTime(2107, 12, 31, 23, 59, 58);
    return DosTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min, local.tm_sec);
}

std::string ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::u8path(path), error))
        throw BuildError("cannot read '" + path + "': no such file", ExitCode::InputOutput);
    std::ifstream in(fs::u8path(path), std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    if (!in || !in.seekg(0) || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw BuildError("cannot read '" + path + "'", ExitCode::InputOutput);
    return bytes;
}

void ReadInPieces(const std::string& path, std::uint64_t size,
                  const std::function<void(const char* data, std::size_t size)>& piece) {
    const ReadDescriptor file{OpenForReading(fs::u8path(path))};
    if (file.value < 0)
        CannotRead(path);
    // Whole pieces, however the system splits the reads: the encoder's
    // choices, and so the archive's bytes, depend on where pieces end.
    std::vector<char> buffer(kReadPiece);
    std::uint64_t done = 0;
    for (bool end = false; !end;) {
        std::size_t filled = 0;
        while (filled < buffer.size()) {
            const long got = ReadSome(file.value, buffer.data() + filled, buffer.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                CannotRead(path);
            if (got == 0) {
                end = true;
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (done + filled > size) {
            done += filled;
            break;
        }
        if (filled > 0)
            piece(buffer.data(), filled);
        done += filled;
    }
    if (done != size)
        throw BuildError("'" + path + "' changed while it was read: it is " +
                             (done < size ? "smaller" : "larger") + " than the " +
                             std::to_string(size) +
                             " bytes it had when the build began; build again once it is complete",
                         ExitCode::InputOutput);
}

OutputFile::OutputFile(const std::string& target, bool program) : target_(target) {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        temporary_ = fs::u8path(target);
        temporary_ += "." + std::to_string(random() % 1000000) + ".partial";
        descriptor_ = CreateNewFile(temporary_, program);
        if (descriptor_ < 0 && errno != EEXIST)
            break;
    }
    if (descriptor_ < 0)
        throw BuildError("cannot write '" + target + "': " + std::strerror(errno),
                         ExitCode::InputOutput);
    scratchSlot_ = RememberScratch(temporary_);
}

OutputFile::~OutputFile() {
    ForgetScratch(scratchSlot_);
    if (descriptor_ >= 0)
        CloseFile(descriptor_);
    std::error_code ignored; // nothing to do about a temporary file that will not go
    if (!temporary_.empty())
        fs::remove(temporary_, ignored);
}

void OutputFile::Fail(const std::string& what) {
    throw BuildError("cannot write '" + target_ + "': " + what, ExitCode::InputOutput);
}

void OutputFile::WriteAll(const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const long written = WriteSome(descriptor_, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(std::strerror(written < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(written);
    }
}

void OutputFile::Write(const char* data, std::size_t size) {
    WriteAll(data, size);
    size_ += size;
}

void OutputFile::Overwrite(std::uint64_t offset, const char* data, std::size_t size) {
    if (!SeekTo(descriptor_, offset))
        Fail(std::strerror(errno));
    WriteAll(data, size);
    if (!SeekTo(descriptor_, size_))
        Fail(std::strerror(errno));
}

void OutputFile::Close() {
    if (descriptor_ < 0)
        return;
    const int closed = CloseFile(descriptor_);
    descriptor_ = -1;
    if (closed != 0)
        Fail(std::strerror(errno));
}

void OutputFile::Commit() {
    Close();
    std::error_code error;
    fs::rename(temporary_, fs::u8path(target_), error);
    if (error)
        Fail(error.message());
    ForgetScratch(scratchSlot_);
    temporary_.clear();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    OutputFile out(path);
    out.Write(bytes);
    out.Commit();
}

void CheckOutputPath(const std::string& outPath, const std::vector<std::string>& inputs) {
    const fs::path out = fs::u8path(outPath);
    std::error_code error;
    const fs::file_status status = fs::status(out, error);
    if (!fs::exists(status))
        return;
    if (!fs::is_regular_file(status))
        throw BuildError("the output '" + outPath +
                             "' exists and is not a regular file: name a new file",
                         ExitCode::Usage);
    if (IsAnyInput(out, inputs))
        throw BuildError("the output '" + outPath + "' is one of the inputs: name a new file",
                         ExitCode::Usage);
}

void DiscardOutput(const std::string& outPath, const std::vector<std::string>& inputs) {
    const fs::path out = fs::u8path(outPath);
    std::error_code ignored; // best effort: the build's own error is what gets reported
    if (fs::is_regular_file(out, ignored) && !IsAnyInput(out, inputs))
        fs::remove(out, ignored);
}

} // namespace setupkit::builder
