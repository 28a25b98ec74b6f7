#pragma once
// The simulated chip's flash to and from Motorola S-record files: a preload before the chip
// starts, and a snapshot of what a writer left in it.
#include <string>

#include "sim/Chip.h"
#include "text/Catalogue.h"

namespace bramblet::sim {

// Loads the S1, S2 and S3 data records of `path` into the chip's flash (bytes outside the flash
// are dropped). False, with the reason in `error` (in `lang`), for an unreadable file or a
// malformed record.
bool LoadSRecordFile(const std::string& path, Chip& chip, std::string& error,
                     text::Lang lang = text::Lang::En);

// Writes every 32-byte line of the flash that is not all 0xFF as an S2 record, between an S0
// header and an S8 end record. False when the file cannot be written.
bool SaveSRecordFile(const std::string& path, const Chip& chip);

}  // namespace bramblet::sim
