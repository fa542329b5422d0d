// pxlib as an independent reader of the tables the engine reads and writes.
#include <cstdio>
#include <cstdlib>

#include "tests/paradox/TestSupport.h"

extern "C" {
#include <paradox.h>
}

namespace kvt::paradox::test {
namespace fs = std::filesystem;

bool pxlibInBuild() {
  return true;
}

bool pxlibReads(FieldType type) {
  switch (type) {
    case FieldType::Alpha:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Number:
    case FieldType::Money:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::Logical:
    case FieldType::AutoInc:
      return true;
    default:
      return false;
  }
}

namespace {

std::string doubleText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

bool pxlibReadsCode(int code) {
  switch (code) {
    case pxfAlpha:
    case pxfShort:
    case pxfLong:
    case pxfNumber:
    case pxfCurrency:
    case pxfDate:
    case pxfTime:
    case pxfTimestamp:
    case pxfLogical:
    case pxfAutoInc:
      return true;
    default:
      return false;
  }
}

void quietErrors(pxdoc_t*, int, const char*, void*) {}
void* pxAlloc(pxdoc_t*, size_t size, const char*) {
  return std::malloc(size);
}
void* pxRealloc(pxdoc_t*, void* mem, size_t size, const char*) {
  return std::realloc(mem, size);
}
void pxFree(pxdoc_t*, void* mem) {
  std::free(mem);
}

}  // namespace

std::optional<std::string> canonical(const Value& v) {
  if (v.isNull()) return std::nullopt;
  if (auto s = v.get<std::string>()) return *s;
  if (auto i = v.get<int64_t>()) return std::to_string(*i);
  if (auto d = v.get<double>()) return doubleText(*d);
  if (auto b = v.get<bool>()) return std::string(*b ? "T" : "F");
  if (auto d = v.get<Date>()) return std::to_string(d->days);
  if (auto t = v.get<Time>()) return std::to_string(t->ms);
  // pxlib hands out the stored count, from the start of day 0.
  if (auto t = v.get<Timestamp>()) return doubleText(t->ms + 86400000.0);
  return std::string("<other>");
}

PxlibTable readWithPxlib(const fs::path& dbFile) {
  static const bool booted = (PX_boot(), true);
  (void)booted;
  PxlibTable out;
  pxdoc_t* doc = PX_new2(quietErrors, pxAlloc, pxRealloc, pxFree);
  if (!doc) return out;
  if (PX_open_file(doc, dbFile.c_str()) < 0) {
    PX_delete(doc);
    return out;
  }
  const int n = PX_get_num_fields(doc);
  pxfield_t* fields = PX_get_fields(doc);
  for (int f = 0; f < n; ++f) {
    if (pxlibReadsCode(static_cast<unsigned char>(fields[f].px_ftype))) {
      out.fieldNames.push_back(fields[f].px_fname);
    }
  }
  out.recordCount = PX_get_num_records(doc);
  std::vector<char> data(PX_get_recordsize(doc));
  for (int r = 0; r < out.recordCount; ++r) {
    std::vector<std::optional<std::string>> row;
    if (!PX_get_record(doc, r, data.data())) {
      out.recordCount = -1;
      break;
    }
    int offset = 0;
    for (int f = 0; f < n; ++f) {
      const int type = static_cast<unsigned char>(fields[f].px_ftype);
      const int len = fields[f].px_flen;
      char* at = data.data() + offset;
      offset += type == pxfBCD ? 17 : len;
      if (!pxlibReadsCode(type)) continue;
      std::optional<std::string> value;
      switch (type) {
        case pxfAlpha: {
          char* text = nullptr;
          if (PX_get_data_alpha(doc, at, len, &text) > 0 && text) {
            value = std::string(text);
            doc->free(doc, text);
          }
          break;
        }
        case pxfShort: {
          short v = 0;
          if (PX_get_data_short(doc, at, len, &v) > 0 && v != -32768) value = std::to_string(v);
          break;
        }
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime: {
          long v = 0;
          // pxlib hands out a blank long field (all zero bytes) as the lowest long.
          if (PX_get_data_long(doc, at, len, &v) > 0 && v != -2147483648L) {
            value = std::to_string(v);
          }
          break;
        }
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp: {
          double v = 0;
          if (PX_get_data_double(doc, at, len, &v) > 0) value = doubleText(v);
          break;
        }
        case pxfLogical: {
          char v = 0;
          if (PX_get_data_byte(doc, at, len, &v) > 0) value = std::string(v ? "T" : "F");
          break;
        }
      }
      row.push_back(std::move(value));
    }
    out.rows.push_back(std::move(row));
  }
  PX_close(doc);
  PX_delete(doc);
  return out;
}

void expectPxlibAgrees(const StoredTable& t) {
  const auto px = readWithPxlib(t.files.db);
  ASSERT_EQ(px.recordCount, static_cast<int>(t.image.rows.size()));
  std::vector<int> compared;
  for (size_t f = 0; f < t.image.schema.fields.size(); ++f) {
    if (pxlibReads(t.image.schema.fields[f].type)) compared.push_back(static_cast<int>(f));
  }
  ASSERT_EQ(compared.size(), px.fieldNames.size());
  for (size_t r = 0; r < t.image.rows.size(); ++r) {
    for (size_t i = 0; i < compared.size(); ++i) {
      ASSERT_EQ(canonical(t.image.rows[r][compared[i]]), px.rows[r][i])
          << "record " << r << " field " << px.fieldNames[i];
    }
  }
}

}  // namespace kvt::paradox::test
