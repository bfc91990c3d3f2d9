// Lists what the official UnRAR library (node-unrar-js, WebAssembly) extracts
// from an archive: one line per file, "sha256 size name". Exit status 1 and
// the library's reason on stderr when it refuses the archive.
// usage: node unrar_oracle.js MODULE_DIR ARCHIVE
const fs = require('fs');
const path = require('path');
const crypto = require('crypto');

async function main() {
    const [moduleDir, archive] = process.argv.slice(2);
    const unrar = require(path.resolve(moduleDir, 'node-unrar-js'));
    const data = Uint8Array.from(fs.readFileSync(archive)).buffer;
    const extractor = await unrar.createExtractorFromData({ data });
    const { files } = extractor.extract();
    for (const file of files) {
        if (file.fileHeader.flags.directory)
            continue;
        const bytes = file.extraction;
        const hash = crypto.createHash('sha256').update(bytes).digest('hex');
        console.log(`${hash} ${bytes.length} ${file.fileHeader.name}`);
    }
}

main().catch((error) => {
    console.error(error.reason || '', error.message);
    process.exit(1);
});
