#include "toolkit/skin_builder.h"

#include <pugixml.hpp>

#include <cwchar>
#include <memory>

#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/layouts.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"
#include "utils/handle.h"
#include "utils/log.h"
#include "utils/text.h"

namespace SkinUI {
namespace {

std::wstring g_lastSkinError;

std::wstring Wide(const char* utf8) { return Utils::NarrowToWide(utf8 != nullptr ? utf8 : "", 65001); }

bool NameIs(const pugi::xml_node& node, const wchar_t* name) { return _wcsicmp(Wide(node.name()).c_str(), name) == 0; }

bool ReadLooseSkin(const std::wstring& path, std::string& data, std::wstring& error) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) {
    error = L"Could not find ziped file";
    return false;
  }
  if (size.QuadPart == 0) {
    error = L"File is empty";
    return false;
  }
  if (size.QuadPart > static_cast<LONGLONG>(kMaxSkinFileSize)) {
    error = L"File too large";
    return false;
  }
  data.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size()) {
    error = L"Could not unzip file";
    return false;
  }
  return true;
}

class CTreeBuilder {
 public:
  CTreeBuilder(ISkinBuilderCallback* callback, CPaintManager* manager) : callback_(callback), manager_(manager) {}

  CControl* Build(const pugi::xml_node& window) {
    // Resources first, so the controls can use them.
    for (pugi::xml_node child : window.children()) {
      if (child.type() != pugi::node_element) continue;
      if (NameIs(child, L"Font")) {
        ReadFont(child);
      } else if (NameIs(child, L"Image")) {
        const std::wstring name = Wide(child.attribute("name").value());
        const pugi::xml_attribute mask = child.attribute("mask");
        if (manager_ != nullptr && !name.empty()) {
          manager_->GetImage(name, !mask.empty(), ParseColor(Wide(mask.value())));
        }
      } else if (NameIs(child, L"Default")) {
        if (manager_ != nullptr) {
          manager_->AddDefaultAttributes(Wide(child.attribute("name").value()), Wide(child.attribute("value").value()));
        }
      }
    }
    for (pugi::xml_attribute a : window.attributes()) ApplyWindowAttribute(Wide(a.name()), Wide(a.value()));

    std::vector<CControl*> tops;
    for (pugi::xml_node child : window.children()) {
      if (child.type() != pugi::node_element) continue;
      if (NameIs(child, L"Font") || NameIs(child, L"Image") || NameIs(child, L"Default")) continue;
      if (CControl* c = BuildControl(child)) tops.push_back(c);
    }
    if (tops.empty()) return nullptr;
    if (tops.size() == 1) return tops.front();
    // Several top-level controls share one vertical stack.
    auto* holder = new CVerticalLayout();
    for (CControl* c : tops) holder->Add(c);
    return holder;
  }

 private:
  void ReadFont(const pugi::xml_node& node) {
    if (manager_ == nullptr) return;
    const int id = ParseInt(Wide(node.attribute("id").value()));
    const pugi::xml_attribute size = node.attribute("size");
    manager_->AddFont(id, Wide(node.attribute("name").value()), size.empty() ? 12 : ParseInt(Wide(size.value())),
                      ParseFlagAnyCase(Wide(node.attribute("bold").value())),
                      ParseFlagAnyCase(Wide(node.attribute("underline").value())),
                      ParseFlagAnyCase(Wide(node.attribute("italic").value())),
                      ParseFlagAnyCase(Wide(node.attribute("default").value())));
  }

  void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) {
    if (manager_ == nullptr) return;
    if (AttrIs(name, L"size")) {
      const SIZE sz = ParseSize(value);
      manager_->SetInitSize(sz.cx, sz.cy);
    } else if (AttrIs(name, L"caption")) {
      manager_->SetCaptionRect(ParseRect(value));
    } else if (AttrIs(name, L"roundcorner")) {
      manager_->SetRoundCorner(ParseSize(value));
    } else {
      manager_->AddWindowAttribute(name, value);
    }
  }

  CControl* BuildControl(const pugi::xml_node& node, int depth = 0) {
    // Nesting deeper than any real skin is cut off rather than allowed to
    // exhaust the stack.
    if (depth > kMaxDepth) {
      DEBUG_LOG_LINE(L"skin: nesting too deep, inner elements left out");
      return nullptr;
    }
    const std::wstring element = Wide(node.name());
    CControl* control = CreateStandardControl(element);
    if (control == nullptr && callback_ != nullptr) control = callback_->CreateControl(element);
    if (control == nullptr) {
      DEBUG_LOG_LINE(L"skin: element %s is not known, left out", element.c_str());
      return nullptr;
    }
    std::unique_ptr<CControl> owner(control);
    if (manager_ != nullptr) {
      const std::wstring defaults = manager_->GetDefaultAttributes(element);
      for (const auto& a : ParseAttributeList(defaults)) control->SetAttribute(a.first, a.second);
    }
    for (pugi::xml_attribute a : node.attributes()) control->SetAttribute(Wide(a.name()), Wide(a.value()));

    if (CContainer* container = control->AsContainer()) {
      for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        if (CControl* c = BuildControl(child, depth + 1)) container->Add(c);
      }
    }
    return owner.release();
  }

  static constexpr int kMaxDepth = 64;
  ISkinBuilderCallback* callback_;
  CPaintManager* manager_;
};

}  // namespace

CControl* CreateStandardControl(const std::wstring& elementName) {
  struct Entry {
    const wchar_t* name;
    CControl* (*make)();
  };
  static const Entry kControls[] = {
      {L"Control", [] { return static_cast<CControl*>(new CControl()); }},
      {L"Label", [] { return static_cast<CControl*>(new CLabelControl()); }},
      {L"Text", [] { return static_cast<CControl*>(new CTextControl()); }},
      {L"Button", [] { return static_cast<CControl*>(new CButtonControl()); }},
      {L"Option", [] { return static_cast<CControl*>(new COptionControl()); }},
      {L"CheckBox", [] { return static_cast<CControl*>(new CCheckBoxControl()); }},
      {L"Edit", [] { return static_cast<CControl*>(new CEditControl()); }},
      {L"Progress", [] { return static_cast<CControl*>(new CProgressControl()); }},
      {L"VerticalLayout", [] { return static_cast<CControl*>(new CVerticalLayout()); }},
      {L"HorizontalLayout", [] { return static_cast<CControl*>(new CHorizontalLayout()); }},
      {L"TabLayout", [] { return static_cast<CControl*>(new CTabLayout()); }},
      {L"Container", [] { return static_cast<CControl*>(new CVerticalLayout()); }},
  };
  for (const Entry& e : kControls) {
    if (_wcsicmp(e.name, elementName.c_str()) == 0) return e.make();
  }
  return nullptr;
}

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && iswspace(text[i])) ++i;
    const size_t keyStart = i;
    while (i < n && text[i] != L'=' && !iswspace(text[i])) ++i;
    const std::wstring key = text.substr(keyStart, i - keyStart);
    while (i < n && iswspace(text[i])) ++i;
    if (i >= n || text[i] != L'=') {
      if (i == keyStart) ++i;
      continue;
    }
    ++i;
    while (i < n && iswspace(text[i])) ++i;
    if (i >= n || (text[i] != L'"' && text[i] != L'\'')) break;
    const wchar_t quote = text[i++];
    const size_t end = text.find(quote, i);
    if (end == std::wstring::npos) break;  // an unterminated value is dropped
    if (!key.empty()) out.emplace_back(key, text.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

CControl* CSkinBuilder::Create(const std::wstring& skinFile, SkinResourceKind kind, ISkinBuilderCallback* callback,
                               CPaintManager* manager) {
  std::string xml;
  bool ok = false;
  if (kind == SkinResourceKind::Packed) {
    ok = CSkinArchive::Instance().ReadSkinFile(skinFile, xml, error_);
  } else {
    ok = ReadLooseSkin(CPaintManager::GetResourceFolder() + skinFile, xml, error_);
  }
  if (!ok) {
    g_lastSkinError = skinFile + L": " + error_;
    DEBUG_LOG_LINE(L"skin %s: %s", skinFile.c_str(), error_.c_str());
    return nullptr;
  }
  CControl* root = CreateFromText(xml, callback, manager);
  if (root == nullptr) g_lastSkinError = skinFile + L": " + error_;
  return root;
}

CControl* CSkinBuilder::CreateFromText(const std::string& xml, ISkinBuilderCallback* callback, CPaintManager* manager) {
  error_.clear();
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    wchar_t where[64];
    swprintf(where, 64, L" at offset %lld", static_cast<long long>(parsed.offset));
    error_ = Wide(parsed.description()) + where;
    g_lastSkinError = error_;
    return nullptr;
  }
  pugi::xml_node window = doc.document_element();
  if (!window || !NameIs(window, L"Window")) {
    error_ = L"No Window element";
    g_lastSkinError = error_;
    return nullptr;
  }
  CTreeBuilder builder(callback, manager);
  CControl* root = builder.Build(window);
  if (root == nullptr) {
    error_ = L"No control in the skin";
    g_lastSkinError = error_;
  }
  return root;
}

std::wstring LastSkinError() { return g_lastSkinError; }

}  // namespace SkinUI
