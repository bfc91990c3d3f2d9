#pragma once
// File reads, whole or in pieces, and all-or-nothing writes for the builder.
#include "builder/byte_sink.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace setupkit::builder {

// Throws BuildError (InputOutput) naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The bytes of the file at `path`, handed to `piece` a megabyte or less at a
// time. The file must hold exactly `size` bytes, the size it had when the
// build found it: one that grew or shrank meanwhile was changed while it was
// read, and what was read of it is not what anyone will find there. Throws
// BuildError (InputOutput) when the file cannot be read or its size differs.
void ReadInPieces(const std::string& path, std::uint64_t size,
                  const std::function<void(const char* data, std::size_t size)>& piece);

// When the file or folder at `path` last changed, as a DOS date and time in
// the local time of this machine (the older archive format's own field),
// within the years that field can hold. Throws BuildError (InputOutput).
std::uint32_t ModifiedDosTime(const std::string& path);

// A new file that takes the place of `target` only when committed: it is
// written under a fresh name beside the target (never an existing file's) and
// renamed over it at the end. Dropped uncommitted, or the build stopped by
// SIGINT, SIGTERM or SIGHUP, it leaves nothing behind.
// A file that is never committed is scratch space beside the target.
class OutputFile final : public ByteSink {
  public:
    // `program`: a file to run, executable where the system marks that
    // (as the user's file mask allows: 755 with the usual one).
    explicit OutputFile(const std::string& target, bool program = false);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    using ByteSink::Write;
    void Write(const char* data, std::size_t size) override;
    void Overwrite(std::uint64_t offset, const char* data, std::size_t size) override;
    std::uint64_t Size() const override { return size_; }
    // Where the bytes are until the commit, to be read back meanwhile.
    std::string TemporaryPath() const { return temporary_.u8string(); }
    // Ends the writing: the temporary file is whole and closed, for another
    // program to change (a signing tool), until it is committed or dropped.
    void Close();
    void Commit();

  private:
    [[noreturn]] void Fail(const std::string& what);
    void WriteAll(const char* data, std::size_t size);

    std::string target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
    int scratchSlot_ = -1; // where a signal finds the temporary file
};

// Writes `bytes` to `path` through an OutputFile. Throws BuildError.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Refuses an output that is not a regular file or that is one of `inputs`
// (files, or folders for every file below them), compared as the file system
// identifies files, so that no spelling, link or hard link of an input passes.
// Throws BuildError.
void CheckOutputPath(const std::string& outPath, const std::vector<std::string>& inputs);

// After a failed build: removes the file at `outPath`, since an earlier
// build's output would pass for this one's, unless it is one of `inputs` or
// not a regular file.
void DiscardOutput(const std::string& outPath, const std::vector<std::string>& inputs);

} // namespace setupkit::builder
