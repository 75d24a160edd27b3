#include "installation/tests/zip_builder.h"

#include <zlib.h>

#include "installation/tests/zip_encrypt.h"

namespace zip_builder {

namespace {

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Encrypt(const Entry& e, std::uint32_t crc, const std::string& data) {
    std::uint32_t check = (e.flags & 8) != 0 ? (e.dosStamp >> 8) & 0xFF : crc >> 24;
    std::string bytes = e.header.substr(0, 11) + static_cast<char>(check) + data;
    EncryptTraditional(e.password.c_str(), reinterpret_cast<unsigned char*>(&bytes[0]),
                       bytes.size());
    return bytes;
}

// The fields an item's local and central headers both record.
struct Fields {
    std::uint16_t flags;
    std::uint32_t crc;
    std::uint32_t compressedSize;
    std::uint32_t size;
};

// The fields of e, with its data as stored in the archive.
Fields Prepare(const Entry& e, std::string& stored) {
    Fields f{e.flags,
             static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                              static_cast<uInt>(e.data.size()))),
             0, 0};
    if (e.badCrc) f.crc ^= 0x5A5A5A5A;
    stored = e.method == 8 ? RawDeflate(e.data) : e.data;
    if (!e.password.empty()) {
        stored = Encrypt(e, f.crc, stored);
        f.flags |= 1;
    }
    f.compressedSize = static_cast<std::uint32_t>(stored.size());
    if (e.truncateDataTo >= 0) stored.resize(static_cast<std::size_t>(e.truncateDataTo));
    f.size = e.recordedSize >= 0 ? static_cast<std::uint32_t>(e.recordedSize)
                                 : static_cast<std::uint32_t>(e.data.size());
    return f;
}

// From the version needed to the name's length.
void PutShared(std::string& out, const Entry& e, const Fields& f, std::uint16_t method) {
    Put16(out, 20);
    Put16(out, f.flags);
    Put16(out, method);
    Put32(out, e.dosStamp);
    Put32(out, f.crc);
    Put32(out, f.compressedSize);
    Put32(out, f.size);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
}

void PutLocal(std::string& archive, const Entry& e, const Fields& f, const std::string& stored) {
    Put32(archive, 0x04034b50);
    PutShared(archive, e, f, e.localMethod != 0xFFFF ? e.localMethod : e.method);
    Put16(archive, static_cast<std::uint32_t>(e.localExtra.size()));
    archive += e.name + e.localExtra + stored;
}

void PutCentral(std::string& central, const Entry& e, const Fields& f, std::uint32_t offset) {
    Put32(central, 0x02014b50);
    Put16(central, (static_cast<std::uint32_t>(e.host) << 8) | 20);
    PutShared(central, e, f, e.method);
    for (int zero = 0; zero < 4; ++zero) Put16(central, 0);  // extra, comment, disk, attributes
    Put32(central, e.externalAttributes);
    Put32(central, offset);
    central += e.name;
}

void PutEnd(std::string& archive, std::uint32_t count, std::uint32_t centralSize,
            std::uint32_t centralOffset) {
    Put32(archive, 0x06054b50);
    Put32(archive, 0);  // this disk and the central directory's
    Put16(archive, count);
    Put16(archive, count);
    Put32(archive, centralSize);
    Put32(archive, centralOffset);
    Put16(archive, 0);
}

}  // namespace

std::string Build(const std::vector<Entry>& entries, const Options& options) {
    std::string archive, central;
    std::vector<std::uint32_t> offsets;
    for (const Entry& e : entries) {
        std::string stored;
        Fields f = Prepare(e, stored);
        std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
        if (e.shareDataOf >= 0)
            offset = offsets[static_cast<std::size_t>(e.shareDataOf)];
        else
            PutLocal(archive, e, f, stored);
        offsets.push_back(offset);
        PutCentral(central, e, f, offset);
    }
    std::uint32_t centralOffset = static_cast<std::uint32_t>(archive.size());
    archive += central;
    PutEnd(archive,
           static_cast<std::uint32_t>(static_cast<int>(entries.size()) + options.countAdjust),
           static_cast<std::uint32_t>(central.size()), centralOffset);
    return archive;
}

std::string TimestampBlock(std::uint8_t flags, const std::vector<std::int32_t>& values,
                           int dataSize) {
    std::string block = "UT";
    std::uint32_t size = dataSize >= 0 ? static_cast<std::uint32_t>(dataSize)
                                       : static_cast<std::uint32_t>(1 + 4 * values.size());
    Put16(block, size);
    block.push_back(static_cast<char>(flags));
    for (std::int32_t v : values) Put32(block, static_cast<std::uint32_t>(v));
    return block;
}

}  // namespace zip_builder
