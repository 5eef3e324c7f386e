// The questions about drawings that the CAD application saved as it went down.
#pragma once

#include <string>
#include <vector>

namespace norda {

// One line of "TempRecoverInfo.dat": savedFrom "||" savedTo "&&" keepFlag.
struct RecoveryEntry {
  std::u16string savedFrom;
  std::u16string savedTo;  // the drawing the user is asked about
  std::u16string keepFlag;  // "Y" (any case): savedFrom goes when the user declines
};

// The lines of the recovery list, given the file's bytes (UTF-16LE; the first
// unit is a byte-order mark and is dropped unseen; a trailing odd byte is
// ignored). Lines without "||" or "&&" are left out.
std::vector<RecoveryEntry> ParseRecoveryList(const std::string& fileBytes);

// Asks the user one question; true when the saved drawing is wanted.
class RecoveryQuestion {
 public:
  virtual ~RecoveryQuestion() = default;
  virtual bool WantsSavedDrawing(const std::u16string& savedTo) = 0;
};

// The documents folder + "\TempRecoverInfo.dat" ("\TempRecoverInfo.dat" when
// the documents folder is unknown).
std::u16string RecoveryListPath();

// Asks about every line in file order, deletes what the user declined, and
// deletes the list itself in every case.
void RecoveryPrompt(RecoveryQuestion& question);

}  // namespace norda
