#include "engine/paradox/BlobFile.h"

#include <cstring>

#include "engine/paradox/Endian.h"

namespace kvt::paradox {
namespace {

constexpr size_t kUnit = 0x1000;
constexpr size_t kLongHead = 9;  // type, units, length, modification number
constexpr size_t kSharedHead = 12;
constexpr int kSlots = 64;
constexpr size_t kSlotSize = 5;
constexpr uint32_t kFirstDataChunk = 0x150 / 16;
constexpr uint32_t kChunksPerBlock = kUnit / 16;
// Blobs shorter than this share blocks; longer ones get their own.
constexpr size_t kSharedLimit = 0x800;

// The header of a new blob file: block type 0, one unit long, modification count 1, then
// the allocation parameters (unit size 0x1000, sub-allocated block size 0x1000, chunk size
// 0x10, 0x40 slots per block, blobs under 0x800 bytes share blocks). Bytes 0x05..0x0A and
// 0x29..0x2A carry these values in the blob files the desktop engine writes; their meaning
// is unknown.
std::string freshHeader() {
  static const unsigned char start[] = {
      0x00, 0x01, 0x00, 0x01, 0x00,        // type, units, modification count
      0x82, 0x73, 0x02, 0x00, 0x29, 0x00,  // unknown
      0x00, 0x10, 0x00, 0x10,              // unit size, sub-allocated block size
      0x10, 0x40, 0x00, 0x00, 0x08,        // chunk size, slots, sharing limit
  };
  std::string h(kUnit, '\0');
  std::memcpy(h.data(), start, sizeof start);
  h[0x29] = static_cast<char>(0xA1);
  h[0x2A] = 0x02;
  return h;
}

}  // namespace

std::string BlobFileReader::read(const BlobPointer& p) const {
  const size_t block = p.location & ~0xFFu;
  const uint32_t slot = p.location & 0xFF;
  if (block < kUnit || block % kUnit != 0 || block + kLongHead > file_.size()) {
    throwFormat("blob pointer leads outside the blob file");
  }
  const auto type = static_cast<uint8_t>(file_[block]);
  if (slot == 0xFF) {
    if (type != 2) throwFormat("blob pointer leads to a block of the wrong kind");
    const uint32_t length = getU32(file_, block + 3);
    const size_t units = getU16(file_, block + 1);
    if (length != p.length || kLongHead + static_cast<size_t>(length) > units * kUnit ||
        block + kLongHead + length > file_.size()) {
      throwFormat("blob block is damaged");
    }
    return std::string(file_.substr(block + kLongHead, length));
  }
  if (type != 3 || slot >= kSlots) throwFormat("blob pointer leads to a block of the wrong kind");
  const size_t entry = block + kSharedHead + slot * kSlotSize;
  if (entry + kSlotSize > file_.size()) throwFormat("blob block is cut short");
  const auto start = static_cast<uint8_t>(file_[entry]);
  const auto chunks = static_cast<uint8_t>(file_[entry + 1]);
  const auto lastBytes = static_cast<uint8_t>(file_[entry + 4]);
  if (start == 0 || chunks == 0 || lastBytes == 0 || lastBytes > 16) {
    throwFormat("blob pointer leads to a deleted blob");
  }
  const size_t length = (chunks - 1) * size_t{16} + lastBytes;
  const size_t offset = block + start * size_t{16};
  if (length != p.length || start * size_t{16} + length > kUnit || offset + length > file_.size()) {
    throwFormat("blob slot is damaged");
  }
  return std::string(file_.substr(offset, length));
}

BlobFileWriter::BlobFileWriter(std::string_view oldFile) : sharedBlock_(std::string::npos) {
  header_ = freshHeader();
  if (oldFile.size() >= kUnit && oldFile[0] == 0) {
    // Keep the known fixed places of the old header; what follows them records free space,
    // which the new layout does not have.
    std::memcpy(header_.data(), oldFile.data(), 0x38);
    putLe(header_, 0x01, 2, 1);
  }
  modNumber_ = static_cast<uint16_t>(getU16(header_, 0x03));
  if (modNumber_ == 0) modNumber_ = 1;
}

void BlobFileWriter::startSharedBlock() {
  sharedBlock_ = body_.size();
  body_.append(kUnit, '\0');
  body_[sharedBlock_] = 3;
  putLe(body_, sharedBlock_ + 1, 2, 1);
  nextSlot_ = kSlots - 1;
  nextChunk_ = kFirstDataChunk;
}

BlobPointer BlobFileWriter::add(std::string_view data) {
  ++blobCount_;
  BlobPointer p;
  p.length = static_cast<uint32_t>(data.size());
  p.modNumber = modNumber_;
  if (data.size() < kSharedLimit) {
    const auto chunks = static_cast<uint32_t>((data.size() + 15) / 16);
    if (sharedBlock_ == std::string::npos || nextSlot_ < 0 ||
        nextChunk_ + chunks > kChunksPerBlock) {
      startSharedBlock();
    }
    const size_t entry = sharedBlock_ + kSharedHead + nextSlot_ * kSlotSize;
    body_[entry] = static_cast<char>(nextChunk_);
    body_[entry + 1] = static_cast<char>(chunks);
    putLe(body_, entry + 2, 2, modNumber_);
    body_[entry + 4] = static_cast<char>(data.size() - (chunks - 1) * 16);
    std::memcpy(body_.data() + sharedBlock_ + nextChunk_ * 16, data.data(), data.size());
    p.location = static_cast<uint32_t>(kUnit + sharedBlock_) | static_cast<uint32_t>(nextSlot_);
    --nextSlot_;
    nextChunk_ += chunks;
    return p;
  }
  const size_t units = (kLongHead + data.size() + kUnit - 1) / kUnit;
  const size_t block = body_.size();
  body_.append(units * kUnit, '\0');
  body_[block] = 2;
  putLe(body_, block + 1, 2, static_cast<uint32_t>(units));
  putLe(body_, block + 3, 4, static_cast<uint32_t>(data.size()));
  putLe(body_, block + 7, 2, modNumber_);
  std::memcpy(body_.data() + block + kLongHead, data.data(), data.size());
  p.location = static_cast<uint32_t>(kUnit + block) | 0xFF;
  return p;
}

std::string BlobFileWriter::finish() {
  return header_ + body_;
}

}  // namespace kvt::paradox
