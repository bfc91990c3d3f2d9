#include "builder/file_io.h"

#include "builder/build_error.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// Creates `path` only when nothing is there yet; -1 otherwise.
int CreateNewFile(const fs::path& path) {
#ifdef _WIN32
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

long WriteSome(int descriptor, const char* data, std::size_t size) {
#ifdef _WIN32
    return _write(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
#else
    return static_cast<long>(::write(descriptor, data, size));
#endif
}

int CloseFile(int descriptor) {
#ifdef _WIN32
    return _close(descriptor);
#else
    return ::close(descriptor);
#endif
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

OutputFile::OutputFile(const std::string& target) : target_(target) {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        temporary_ = fs::u8path(target);
        temporary_ += "." + std::to_string(random() % 1000000) + ".partial";
        descriptor_ = CreateNewFile(temporary_);
        if (descriptor_ < 0 && errno != EEXIST)
            break;
    }
    if (descriptor_ < 0)
        throw BuildError("cannot write '" + target + "': " + std::strerror(errno),
                         ExitCode::InputOutput);
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0)
        CloseFile(descriptor_);
    std::error_code ignored; // nothing to do about a temporary file that will not go
    if (!temporary_.empty())
        fs::remove(temporary_, ignored);
}

void OutputFile::Fail(const std::string& what) {
    throw BuildError("cannot write '" + target_ + "': " + what, ExitCode::InputOutput);
}

void OutputFile::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long written = WriteSome(descriptor_, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(std::strerror(errno));
        done += static_cast<std::size_t>(written);
    }
}

void OutputFile::Commit() {
    const int closed = CloseFile(descriptor_);
    descriptor_ = -1;
    if (closed != 0)
        Fail(std::strerror(errno));
    std::error_code error;
    fs::rename(temporary_, fs::u8path(target_), error);
    if (error)
        Fail(error.message());
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
