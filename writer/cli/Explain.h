#pragma once
// What the status line cannot say about a board's run, on its standard error: which page failed
// and what the chip answered, why the port would not open, where a stop caught it.
#include <string>

#include "writer/cli/CliView.h"
#include "writer/core/Outcome.h"

namespace bramblet {

// In `lang`, the language of the program's own texts.
void ExplainFailure(CliView& view, const std::string& port, const Outcome& outcome,
                    text::Lang lang = text::Lang::En);

// SRD's bits in words: ready or busy, then the error flags.
std::string SrdWords(const protocol::Status& s, text::Lang lang = text::Lang::En);

// SRD1's: the ID check state, then a frame dropped for a late byte.
std::string Srd1Words(const protocol::Status& s, text::Lang lang = text::Lang::En);

}  // namespace bramblet
