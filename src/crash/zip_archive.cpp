#include "crash/zip_archive.h"

#include <zlib.h>

namespace {
void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

// The fields a local header and a directory entry share, from "version needed" on.
void PutCommonFields(std::string& out, const std::string& name, uint32_t crc, uint32_t size,
                     uint16_t dosTime, uint16_t dosDate) {
    Put16(out, 20);      // version needed: 2.0
    Put16(out, 1 << 11); // the name is UTF-8
    Put16(out, 0);       // stored
    Put16(out, dosTime);
    Put16(out, dosDate);
    Put32(out, crc);
    Put32(out, size); // compressed
    Put32(out, size); // uncompressed
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, 0); // no extra field
}
} // namespace

void ZipArchive::Add(const std::string& name, const std::string& bytes, uint16_t dosTime,
                     uint16_t dosDate) {
    const auto crc = static_cast<uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
    const auto size = static_cast<uint32_t>(bytes.size());
    const auto offset = static_cast<uint32_t>(entries_.size());

    Put32(entries_, 0x04034b50);
    PutCommonFields(entries_, name, crc, size, dosTime, dosDate);
    entries_ += name;
    entries_ += bytes;

    Put32(directory_, 0x02014b50);
    Put16(directory_, 20); // made by: MS-DOS, 2.0
    PutCommonFields(directory_, name, crc, size, dosTime, dosDate);
    Put16(directory_, 0); // comment length
    Put16(directory_, 0); // disk number
    Put16(directory_, 0); // internal attributes
    Put32(directory_, 0); // external attributes
    Put32(directory_, offset);
    directory_ += name;
    ++count_;
}

std::string ZipArchive::Finish() const {
    std::string archive = entries_ + directory_;
    Put32(archive, 0x06054b50);
    Put16(archive, 0); // this disk
    Put16(archive, 0); // the directory's disk
    Put16(archive, count_);
    Put16(archive, count_);
    Put32(archive, static_cast<uint32_t>(directory_.size()));
    Put32(archive, static_cast<uint32_t>(entries_.size()));
    Put16(archive, 0); // no comment
    return archive;
}
