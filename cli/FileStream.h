// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Standard output and standard error for the command-line companion. The
// standard streams only set a flag when a write fails and forget why, and a
// buffered write fails only when it is flushed: this stream keeps the reason
// of the first failure until the program asks for it at its end.
#pragma once

#include <cerrno>
#include <cstdio>
#include <ostream>
#include <streambuf>

namespace quarnel::cli {

class FileStream final : public std::ostream {
  public:
    explicit FileStream(std::FILE* file) : std::ostream(&buffer_), buffer_(file) {}

    // Flushes what is left; the errno of the first write that failed, 0 when
    // everything went out.
    int Finish() {
        flush();
        buffer_.pubsync();
        return buffer_.error;
    }

  private:
    // Hands everything to the C file, which buffers it.
    struct Buffer final : std::streambuf {
        explicit Buffer(std::FILE* f) : file(f) {}
        int_type overflow(int_type c) override {
            if (traits_type::eq_int_type(c, traits_type::eof()))
                return traits_type::not_eof(c);
            const char ch = traits_type::to_char_type(c);
            return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
        }
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            errno = 0;
            const auto written = std::fwrite(s, 1, static_cast<std::size_t>(n), file);
            if (written != static_cast<std::size_t>(n))
                Failed();
            return static_cast<std::streamsize>(written);
        }
        int sync() override {
            errno = 0;
            if (std::fflush(file) != 0 || std::ferror(file))
                Failed();
            return error == 0 ? 0 : -1;
        }
        void Failed() {
            if (error == 0)
                error = errno != 0 ? errno : EIO;
        }

        std::FILE* file;
        int error = 0;
    } buffer_;
};

} // namespace quarnel::cli
