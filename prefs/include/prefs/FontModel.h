#pragma once
// One row of the font chooser: an installed font's name and whether it is
// the chosen one. Plain data, shared between the chooser's list and the
// cell that shows it.

#include <string>

class FontModel {
 public:
  bool isCheck() const { return isCheck_; }
  void setIsCheck(bool isCheck) { isCheck_ = isCheck; }
  // The font's PostScript name, as Font::fontWithName expects it.
  const std::string& foneName() const { return foneName_; }
  void setFoneName(std::string name) { foneName_ = std::move(name); }

 private:
  bool isCheck_ = false;
  std::string foneName_;
};
