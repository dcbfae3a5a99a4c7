// On Windows the renderer writes no GIF (it has no GIF encoder there): the recorder only says so.
#include "tools/gif_file.hpp"

namespace pellwick {

struct GifRecorder::Writer {};

GifRecorder::GifRecorder(const std::string&, int width, int height, const std::string&)
    : width_(width), height_(height), error_("this Windows build writes no GIF; the Linux renderer does") {}

GifRecorder::~GifRecorder() = default;

void GifRecorder::addFrame(Field&, int) {}

Rect GifRecorder::takeChanges(Field&) { return {}; }

void GifRecorder::writeFrame(const Rect&, int) {}

std::string GifRecorder::finish() { return error_; }

}  // namespace pellwick
