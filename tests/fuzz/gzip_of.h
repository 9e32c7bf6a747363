#pragma once
// zlib's gzip of some bytes, for the tests of the decoding reader: with a
// comment in its header when given one, as Unity writes its marker.
#include <string>

#include <zlib.h>

inline std::string GzipOf(const std::string& text, int level = 6, const char* comment = nullptr) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    gz_header header{};
    header.comment = reinterpret_cast<Bytef*>(const_cast<char*>(comment));
    if (comment)
        deflateSetHeader(&stream, &header);
    std::string out(deflateBound(&stream, text.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}
