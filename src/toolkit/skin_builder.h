#pragma once
// Builds a window's control tree from its XML skin.

#include <string>

#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"

namespace SkinUI {

class CSkinBuilder {
 public:
  // Reads the skin file (from the skin archive, or from the resource folder
  // for loose skins) and builds it. Null when the file cannot be read or
  // parsed or holds no control; LastError() then says why.
  CControl* Create(const std::wstring& skinFile, SkinResourceKind kind, ISkinBuilderCallback* callback,
                   CPaintManager* manager);
  // Builds from markup text (UTF-8).
  CControl* CreateFromText(const std::string& xml, ISkinBuilderCallback* callback, CPaintManager* manager);
  const std::wstring& LastError() const { return error_; }

 private:
  std::wstring error_;
};

// Creates the toolkit's own control for an element name (ignoring case);
// null for names it does not know.
CControl* CreateStandardControl(const std::wstring& elementName);

// The error of the last skin that could not be built in this process
// (kept for diagnostics; never shown to the user).
std::wstring LastSkinError();

// key="value" pairs as the Default element's value holds them.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text);

}  // namespace SkinUI
