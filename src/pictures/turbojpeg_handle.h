#pragma once

// One owner for a TurboJPEG handle, so every return destroys it.

#include <turbojpeg.h>

#include <string>

namespace brivel {

class TurboJpegHandle {
public:
    // Takes what tjInitDecompress, tjInitCompress or tjInitTransform gave.
    explicit TurboJpegHandle(tjhandle handle) : handle_(handle) {}
    ~TurboJpegHandle() {
        if (handle_ != nullptr) {
            tjDestroy(handle_);
        }
    }
    TurboJpegHandle(const TurboJpegHandle&) = delete;
    TurboJpegHandle& operator=(const TurboJpegHandle&) = delete;

    tjhandle get() const { return handle_; }
    // The library's message for the last failure (works without a handle too).
    std::string Message() const { return tjGetErrorStr2(handle_); }

private:
    tjhandle handle_;
};

}  // namespace brivel
