#pragma once
// Whole-file reads and all-or-nothing writes for the builder.
#include <filesystem>
#include <string>
#include <vector>

namespace setupkit::builder {

// Throws BuildError (InputOutput) naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// A new file that takes the place of `target` only when committed: it is
// written under a fresh name beside the target (never an existing file's) and
// renamed over it at the end. Dropped uncommitted, it leaves nothing behind.
class OutputFile {
  public:
    explicit OutputFile(const std::string& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const std::string& bytes);
    void Commit();

  private:
    void Fail(const std::string& what);

    std::string target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
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
