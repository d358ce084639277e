// libjpeg reports errors by longjmp, so everything that lives across a jpeg_* call here is
// a plain value or pointer in a record the caller cleans up; no object with a destructor is
// in between.
#include "plugins/ifjpeg/jpeg_decode.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

namespace {

struct JPEG_JOB_T {
    struct jpeg_decompress_struct cinfo;
    struct jpeg_error_mgr errors;
    jmp_buf jump;
    bool created;
    JSAMPLE *scratch;  // one CMYK row
    int failure;       // the code to return after a longjmp
};

JPEG_JOB_T *jobOf(j_common_ptr cinfo) {
    return static_cast<JPEG_JOB_T *>(cinfo->client_data);
}

void failJpeg(j_common_ptr cinfo) {
    JPEG_JOB_T *job = jobOf(cinfo);
    if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY) {
        job->failure = PLUGIN_ERR_NO_MEMORY;
    }
    longjmp(job->jump, 1);
}

// Warnings about damaged data are borne, but data that ends too soon is a broken file:
// libjpeg would make up the missing rest.
void noteJpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        failJpeg(cinfo);
    }
}

void printNothing(j_common_ptr /* cinfo */) {}

void startJpeg(JPEG_JOB_T *job, const uint8_t *data, size_t size) {
    jpeg_create_decompress(&job->cinfo);
    job->created = true;
    jpeg_mem_src(&job->cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&job->cinfo, TRUE) != JPEG_HEADER_OK) {
        ERREXIT(&job->cinfo, JERR_NO_IMAGE);
    }
}

int runFacts(JPEG_JOB_T *job, const uint8_t *data, size_t size, PICTURE_FACTS_T *facts) {
    if (setjmp(job->jump)) {
        return job->failure;
    }
    startJpeg(job, data, size);
    jpeg_decompress_struct &cinfo = job->cinfo;
    facts->width = cinfo.image_width;
    facts->height = cinfo.image_height;
    facts->colorDepth = 8 * cinfo.num_components;
    if (cinfo.saw_JFIF_marker && (cinfo.density_unit == 1 || cinfo.density_unit == 2)) {
        unsigned scale = cinfo.density_unit == 1 ? 100u : 254u;  // per inch, per cm
        facts->xDensity = (cinfo.X_density * scale + 50u) / 100u;
        facts->yDensity = (cinfo.Y_density * scale + 50u) / 100u;
    }
    return PLUGIN_OK;
}

// Adobe writers store CMYK inverted; the rest store it as it is.
void cmykToBgr(const JSAMPLE *in, bool inverted, int32_t width, uint8_t *row) {
    for (int32_t x = 0; x < width; x++) {
        unsigned k = in[4 * x + 3];
        for (int c = 0; c < 3; c++) {
            unsigned ink = in[4 * x + c];
            unsigned value = inverted ? ink * k : (255u - ink) * (255u - k);
            row[3 * x + 2 - c] = static_cast<uint8_t>((value + 127u) / 255u);
        }
    }
}

int runDecode(JPEG_JOB_T *job, const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out,
              PROGRESS_T *progress) {
    if (setjmp(job->jump)) {
        return job->failure;
    }
    startJpeg(job, data, size);
    jpeg_decompress_struct &cinfo = job->cinfo;
    int result = checkPictureSize(cinfo.image_width, cinfo.image_height);
    if (result != PLUGIN_OK) {
        return result;
    }
    bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    // Rows are written as libjpeg reports their layout, never as assumed.
    if (cinfo.output_components != (grey   ? 1
                                    : cmyk ? 4
                                           : 3) ||
        cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    result = startOutputBitmap(out, cinfo.output_width, cinfo.output_height, grey ? 8 : 24);
    if (result != PLUGIN_OK) {
        return result;
    }
    if (grey) {
        setGreyPalette(out, 256);
    }
    if (cmyk) {
        job->scratch = static_cast<JSAMPLE *>(malloc(4u * static_cast<size_t>(out->width)));
        if (job->scratch == nullptr) {
            return PLUGIN_ERR_NO_MEMORY;
        }
    }
    progress->total = out->height;
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t *row = outputRow(out, static_cast<int32_t>(cinfo.output_scanline));
        JSAMPROW target = cmyk ? job->scratch : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
            return PLUGIN_ERR_BROKEN_DATA;
        }
        if (cmyk) {
            cmykToBgr(job->scratch, cinfo.saw_Adobe_marker, out->width, row);
        }
        if (progressRowDone(progress)) {
            return PLUGIN_ERR_ABORTED;
        }
    }
    jpeg_finish_decompress(&cinfo);
    return PLUGIN_OK;
}

void prepareJob(JPEG_JOB_T *job) {
    memset(job, 0, sizeof *job);
    job->failure = PLUGIN_ERR_BROKEN_DATA;
    job->cinfo.client_data = job;  // kept by jpeg_create_decompress
    job->cinfo.err = jpeg_std_error(&job->errors);
    job->errors.error_exit = failJpeg;
    job->errors.emit_message = noteJpegMessage;
    job->errors.output_message = printNothing;
}

void destroyJob(JPEG_JOB_T *job) {
    if (job->created) {
        jpeg_destroy_decompress(&job->cinfo);
    }
    free(job->scratch);
}

}  // namespace

bool isJpegHead(const uint8_t *data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

int readJpegFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts) {
    if (size > ~0ul) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    JPEG_JOB_T job;
    prepareJob(&job);
    int result = runFacts(&job, data, size, facts);
    destroyJob(&job);
    return result;
}

int decodeJpeg(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    if (size > ~0ul) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    JPEG_JOB_T job;
    prepareJob(&job);
    int result = runDecode(&job, data, size, out, progress);
    destroyJob(&job);
    return result;
}
