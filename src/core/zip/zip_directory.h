// Ending an archive: the central directory and its end record.
#pragma once

#include "core/zip/zip_result.h"

namespace norda::zip {

class ZipWriter;

// Writes a central directory entry for every record (in the order added),
// then the end record, and frees the records. WriteFailed, without an end
// record, when an entry is not written whole; also when the end record is not.
ZipResult WriteCentralDirectory(ZipWriter& zip);

}  // namespace norda::zip
