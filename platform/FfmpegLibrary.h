#pragma once
// FFmpeg's functions, taken from its shared libraries when a video is first opened, so
// that the programs start without mapping FFmpeg and the hundred libraries it pulls in.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace nalo {

// The functions the video layer calls, by library.
#define NALO_FFMPEG_AVUTIL(X)                                                                              \
    X(av_dict_free) X(av_dict_set) X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_log_set_level)     \
    X(av_frame_get_buffer) X(av_frame_make_writable) X(av_malloc) X(av_free) X(av_freep) X(av_opt_set_int)   \
    X(av_opt_set_double) X(av_rescale_q) X(av_max_alloc) X(av_reduce) X(av_display_rotation_get) X(av_dict_get)
#define NALO_FFMPEG_AVCODEC(X)                                                                             \
    X(av_packet_alloc) X(av_packet_free) X(av_packet_unref) X(avcodec_alloc_context3)                    \
    X(avcodec_descriptor_get) X(avcodec_find_decoder) X(avcodec_flush_buffers) X(avcodec_free_context)   \
    X(avcodec_open2) X(avcodec_parameters_to_context) X(avcodec_receive_frame) X(avcodec_send_packet)    \
    X(avcodec_find_encoder) X(avcodec_send_frame) X(avcodec_receive_packet)                              \
    X(avcodec_parameters_from_context) X(av_packet_rescale_ts) X(avcodec_find_encoder_by_name)
#define NALO_FFMPEG_AVFORMAT(X)                                                                            \
    X(av_find_input_format) X(av_index_search_timestamp) X(av_read_frame) X(av_seek_frame)               \
    X(avformat_close_input) X(avformat_find_stream_info) X(avformat_index_get_entries_count) X(avformat_index_get_entry)              \
    X(avformat_open_input) X(avformat_alloc_output_context2) X(avformat_free_context)                    \
    X(avformat_new_stream) X(avformat_write_header) X(av_write_frame) X(av_write_trailer)                 \
    X(avio_alloc_context) X(avio_context_free) X(avio_flush) X(av_stream_get_side_data)
#define NALO_FFMPEG_SWSCALE(X) X(sws_freeContext) X(sws_getCachedContext) X(sws_getContext) X(sws_scale)

struct FfmpegApi {
#define NALO_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    NALO_FFMPEG_AVUTIL(NALO_FFMPEG_POINTER)
    NALO_FFMPEG_AVCODEC(NALO_FFMPEG_POINTER)
    NALO_FFMPEG_AVFORMAT(NALO_FFMPEG_POINTER)
    NALO_FFMPEG_SWSCALE(NALO_FFMPEG_POINTER)
#undef NALO_FFMPEG_POINTER
};

// Loaded once, then never changed. Raises RuntimeError 48 naming the library (or 453
// naming the function) when FFmpeg cannot be loaded.
const FfmpegApi& ffmpeg();

}  // namespace nalo
