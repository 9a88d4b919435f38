// The configuration a firmware image carries: the router takes it over when
// it restarts with the image. The records sit in a patch area that the
// image's trailer points to.
#pragma once

#include <string>

#include "model.h"
#include "wire.h"

constexpr size_t IMAGE_MIN_SIZE = 0x60000;       // bytes; smaller images carry no configuration
constexpr size_t IMAGE_MARKER_AT = 0x5FFFC;      // 0x24 0x42
constexpr size_t IMAGE_PARAGRAPH_AT = 0x5FFF6;   // little-endian paragraph number of the patch area
constexpr uint16_t IMAGE_RECORD_MAGIC = 0xBEEF;  // little-endian at the start of each record

enum ImageRecordType { IMAGE_ROUTER = 1, IMAGE_LINE = 2, IMAGE_ROUTE = 3, IMAGE_FILTER = 4 };

// Reads the records of the patch area into `r`: settings from the router
// record, the three tables from the others (replacing the old ones).
// Returns the number of records taken, 0 when the image carries no router
// record (then `r` is not touched); `why` says what was found.
int image_apply(const Bytes& image, PeerRouter& r, std::string* why);
