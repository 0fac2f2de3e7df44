// Older tools write JPEG files without the final end marker; libjpeg decodes
// them whole. A file cut inside its coded data decodes too, padded with grey,
// and only the decoder's warning that a scan ran out of data tells them apart.
#include "jpegcheck.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The widest row libjpeg produces: 65,500 pixels of up to 4 components.
const unsigned rowSize = 65535u * 4u;

struct CheckErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    bool scanCut;
};

void escapeOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<CheckErrors*>(info->err)->escape, 1);
}

void noteWarning(j_common_ptr info, int level)
{
    CheckErrors* errors = reinterpret_cast<CheckErrors*>(info->err);
    if (level < 0 && errors->base.msg_code == JWRN_HIT_MARKER) errors->scanCut = true;
}

// Kept apart from the caller so that nothing with a destructor lives across
// the setjmp.
bool decodeAll(jpeg_decompress_struct* info, CheckErrors* errors, const unsigned char* bytes, size_t size,
               JSAMPLE* row)
{
    if (setjmp(errors->escape)) return false;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;
    info->buffered_image = FALSE;
    jpeg_start_decompress(info);
    if (info->output_width * static_cast<unsigned>(info->output_components) > rowSize) return false;
    JSAMPROW rows[1] = {row};
    while (info->output_scanline < info->output_height && !errors->scanCut) jpeg_read_scanlines(info, rows, 1);
    if (!errors->scanCut) jpeg_finish_decompress(info);
    return !errors->scanCut;
}

}  // namespace

bool jpegScansComplete(const unsigned char* bytes, size_t size)
{
    if (!bytes || size == 0) return false;
    std::vector<JSAMPLE> row(rowSize);
    jpeg_decompress_struct info;
    CheckErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = escapeOnError;
    errors.base.emit_message = noteWarning;
    errors.scanCut = false;
    bool complete = decodeAll(&info, &errors, bytes, size, row.data());
    jpeg_destroy_decompress(&info);
    return complete;
}
