// Large, realistic form-definition data for benchmarks: the seven form-definition tables filled
// with thousands of forms and hundreds of thousands of placements, and the form file they make.
//
// The rows are what the writer writes and the reader keeps unchanged (no rows the reader
// repairs, drops or merges), so reading the generated file gives back exactly the rows that
// were generated. The same shape and seed always give the same rows.
#pragma once

#include <cstdint>
#include <filesystem>

#include "schema/Database.h"

namespace kvt::bench {

// How many rows of each kind. Placements dominate the size of a file.
struct FormFileShape {
  int forms = 3000;                 // CB20
  int entries = 4000;               // CB21
  int fieldDefinitions = 2000;      // CB22
  int entryPlacementsPerForm = 50;  // CB23
  int printPlacementsPerForm = 65;  // CB24
  int textBlocks = 400;             // CB25, memos of a few hundred bytes to a few KB
  int codes = 600;                  // CB2F0 (at most 26 x 1000)
  uint32_t seed = 1;

  int64_t rowCount() const {
    return int64_t(forms) * (1 + entryPlacementsPerForm + printPlacementsPerForm) + entries +
           fieldDefinitions + textBlocks + codes;
  }
};

// A shape whose form file (in the program's form version) is about `bytes` long, scaled from
// the default shape by the number of forms.
FormFileShape formFileShapeOfSize(uint64_t bytes);

// Makes the seven tables in `db` empty (CreateFormTables) and fills them with the rows of
// `shape`. Tables are closed when it returns.
void FillFormTables(Database& db, const FormFileShape& shape);

// Fills Paradox tables in `workDir` (created when missing, emptied of the seven tables) and
// writes their form file, in the program's form version, to `file`. Returns its size in bytes.
// The tables stay in `workDir`. Throws std::runtime_error when the file cannot be written.
uint64_t GenerateFormFile(const std::filesystem::path& workDir, const std::filesystem::path& file,
                          const FormFileShape& shape);

}  // namespace kvt::bench
