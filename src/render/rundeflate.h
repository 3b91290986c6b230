#pragma once
// The image data of a PNG frame as one zlib stream (RFC 1950 and 1951), made for rendered frames:
// mostly transparency and flat colour, whose rows differ from the row above in few bytes.
//
// Every row is stored with PNG's filter "Up" (the row less the row above; the first row as it
// is) and deflated as literals and runs of the byte before (matches one byte back, as zlib's
// run-length strategy finds them), in dynamic Huffman blocks of about 32,000 symbols. Unchanged
// stretches of a row are found sixteen bytes at a time (eight without SSE2), literals up to where
// a run may start are taken sixteen at a time, and the Adler-32 of a run is summed at once, so the
// cost follows what changes rather than the image's size. The same image gives the same bytes on
// every platform.

#include "render/straightframe.h"

#include <string>

namespace kvx {

// Appends the zlib stream of the image's filtered rows to out.
void appendUpFilteredZlib(const RgbaImage &image, std::string &out);

} // namespace kvx
