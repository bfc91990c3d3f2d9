#pragma once
// How an archive operation ended. The values are those the classic API
// reports, so the API layer passes them through unchanged.
#include "rar/format/error.h"

#include <string>

namespace rar {

enum class Status {
    Ok = 0,
    EndArchive = 10,
    NoMemory = 11,
    BadData = 12,
    BadArchive = 13,
    UnknownFormat = 14,
    OpenFailed = 15,
    CreateFailed = 16,
    CloseFailed = 17,
    ReadFailed = 18,
    WriteFailed = 19,
    SmallBuffer = 20,
    Unknown = 21,
    MissingPassword = 22,
    BadReference = 23,
    BadPassword = 24,
};

// Raised wherever the archive or the file system stops an operation; caught
// once by the API layer, which reports its status.
class ArchiveError : public Error {
  public:
    ArchiveError(Status status, const std::string& what) : Error(what), status_(status) {}
    Status Code() const { return status_; }

  private:
    Status status_;
};

} // namespace rar
