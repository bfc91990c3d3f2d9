// An extraction library as some builds ship it: it opens and walks archives
// (every one is empty) but exports no RARCloseArchive.
#include "rar/api/unrar.h"

extern "C" {

HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* data) {
    static int archive;
    data->OpenResult = ERAR_SUCCESS;
    return &archive;
}

int PASCAL RARReadHeader(HANDLE, RARHeaderData*) {
    return ERAR_END_ARCHIVE;
}

int PASCAL RARProcessFile(HANDLE, int, char*, char*) {
    return ERAR_SUCCESS;
}

} // extern "C"
