// The .MB file that holds blob data too long for the leader in the record.
//
// The file is a chain-free heap of 4 KB units. Unit 0 is the header: type 0, its length in
// units, the modification count, and allocation parameters. A long blob gets a block of its
// own (type 2: type, units, length, modification number, then the data). Short blobs share
// sub-allocated blocks (type 3): a 12-byte head, 64 five-byte slots (data offset / 16,
// length in 16-byte chunks, modification number, bytes in the last chunk), then the data
// in 16-byte chunks from offset 0x150.
//
// A record points at a blob with a 32-bit value: the block's file offset, whose low byte
// is the slot number within a type-3 block, or 0xFF for a type-2 block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::paradox {

struct BlobPointer {
  uint32_t location = 0;  // block offset | slot (0xFF for a block of its own); 0 in the leader
  uint32_t length = 0;
  uint16_t modNumber = 0;
};

// Reads blobs out of the bytes of an .MB file.
class BlobFileReader {
 public:
  explicit BlobFileReader(std::string_view file) : file_(file) {}
  // The blob's bytes. Throws EngineError(Format) when the pointer does not lead to a blob of
  // that length inside the file.
  std::string read(const BlobPointer& p) const;

 private:
  std::string_view file_;
};

// Lays out a new .MB file blob by blob.
class BlobFileWriter {
 public:
  // `oldFile` is the table's current .MB file, if any: its header's allocation parameters
  // and modification count are kept, its record of free space is not (the layout is new).
  explicit BlobFileWriter(std::string_view oldFile = {});

  BlobPointer add(std::string_view data);
  bool empty() const { return blobCount_ == 0; }
  std::string finish();

 private:
  void startSharedBlock();

  std::string header_;
  std::string body_;  // everything after the header
  uint16_t modNumber_ = 1;
  size_t sharedBlock_ = 0;  // offset in body_ of the current type-3 block, or npos
  int nextSlot_ = -1;       // slots are handed out from 63 down
  uint32_t nextChunk_ = 0;  // next free 16-byte chunk of the current type-3 block
  size_t blobCount_ = 0;
};

}  // namespace kvt::paradox
