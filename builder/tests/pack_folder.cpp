// pack_folder FOLDER OUT store|default|best solid|alone
// Packs a folder as the builder packs a payload, at any level and solid or
// entry by entry, and reads it back as the builder does; for the soak run
// (scripts/soak-packing.sh), which then extracts it with both libraries.
#include "builder/build_error.h"
#include "builder/file_io.h"
#include "builder/rar_verify.h"
#include "builder/rar_writer.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    using namespace setupkit::builder;
    if (argc != 5) {
        std::cerr << "usage: pack_folder FOLDER OUT store|default|best solid|alone\n";
        return 2;
    }
    const RarLevel level = !std::strcmp(argv[3], "best")    ? RarLevel::Best
                           : !std::strcmp(argv[3], "store") ? RarLevel::Store
                                                            : RarLevel::Default;
    try {
        OutputFile out(argv[2]);
        const std::vector<PackedEntry> packed = WriteRarArchive(
            CollectFolder(argv[1], true), {level, std::strcmp(argv[4], "solid") == 0}, out);
        VerifyRarArchive(out.TemporaryPath(), packed);
        out.Commit();
    } catch (const BuildError& error) {
        std::cerr << "pack_folder: " << error.what() << "\n";
        return static_cast<int>(error.Code());
    }
    return 0;
}
