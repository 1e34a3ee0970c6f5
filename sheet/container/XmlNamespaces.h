#pragma once

// Matching element and attribute names by namespace, for the XML readers: a handler that names
// the namespaces it reads gets only the elements of those namespaces (and of none), whatever
// prefixes the document binds to them; an element of any other namespace passes by with
// everything inside it. Internal to the container library.

#include <string>
#include <string_view>
#include <vector>

#include "sheet/container/XmlReader.h"

namespace lomandra::container {

class NamespaceScope {
 public:
  explicit NamespaceScope(XmlHandler& handler) : handler_(handler), accepted_(handler.namespaces) {}

  /// True when names are matched by namespace at all (the handler named its namespaces).
  bool active() const { return !accepted_.empty(); }

  /// A start tag with its qualified name and attributes (qualified name, value, ...). Returns
  /// null when the element does not reach the handler, else the attributes it gets: with local
  /// names, those of other namespaces and the namespace declarations left out (held in
  /// `kept`). `plain` says no attribute has a prefix or declares a namespace: the attributes
  /// then reach the handler as they are.
  const char* const* enter(std::string_view name, const char* const* attributes, bool plain,
                           std::vector<const char*>& kept) {
    ++depth_;
    if (plain && skipping_ == 0 && name.find(':') == std::string_view::npos) {
      // The usual tag: no prefix, no declaration, in the default namespace.
      if (defaultAccepted_) return attributes;
      skipping_ = 1;
      return nullptr;
    }
    if (skipping_ > 0) {
      ++skipping_;
      return nullptr;
    }
    if (!plain) {
      for (const char* const* a = attributes; *a; a += 2) {
        const std::string_view attribute(*a);
        if (attribute == "xmlns") bind({}, a[1]);
        else if (attribute.starts_with("xmlns:")) bind(attribute.substr(6), a[1]);
      }
    }
    if (!accepts(prefixOf(name))) {
      skipping_ = 1;
      unbind();
      return nullptr;
    }
    if (plain) return attributes;
    kept.clear();
    for (const char* const* a = attributes; *a; a += 2) {
      const std::string_view attribute(*a);
      if (attribute == "xmlns" || attribute.starts_with("xmlns:")) continue;
      const std::size_t colon = attribute.find(':');
      // An attribute without a prefix has no namespace: it belongs to its element.
      if (colon != std::string_view::npos && !accepts(attribute.substr(0, colon))) continue;
      kept.push_back(colon == std::string_view::npos ? *a : *a + colon + 1);
      kept.push_back(a[1]);
    }
    kept.push_back(nullptr);
    return kept.data();
  }

  /// An end tag; returns whether it reaches the handler.
  bool leave() {
    if (skipping_ > 0) {
      --skipping_;
      --depth_;
      return false;
    }
    unbind();
    --depth_;
    return true;
  }

  /// True when character data here reaches the handler.
  bool inside() const { return skipping_ == 0; }

  /// True when an unprefixed element here, declaring no namespace, reaches the handler.
  bool unprefixedReaches() const { return skipping_ == 0 && (!active() || defaultAccepted_); }

 private:
  struct Binding {
    std::string prefix;
    bool accepted;
    std::size_t depth;
  };

  static std::string_view prefixOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
  }

  void bind(std::string_view prefix, std::string_view uri) {
    handler_.namespaceDeclared(prefix, uri);
    bool accepted = uri.empty() && prefix.empty();  // xmlns="": back to no namespace
    for (const std::string_view wanted : accepted_) accepted = accepted || uri == wanted;
    bindings_.push_back({std::string(prefix), accepted, depth_});
    if (prefix.empty()) defaultAccepted_ = accepted;
  }
  void unbind() {
    bool defaultChanged = false;
    while (!bindings_.empty() && bindings_.back().depth == depth_) {
      defaultChanged = defaultChanged || bindings_.back().prefix.empty();
      bindings_.pop_back();
    }
    if (defaultChanged) defaultAccepted_ = accepts({});
  }

  // A prefix bound to a namespace read; an unbound prefix, "xml" and no namespace at all are
  // taken as they always were.
  bool accepts(std::string_view prefix) const {
    for (auto at = bindings_.rbegin(); at != bindings_.rend(); ++at)
      if (at->prefix == prefix) return at->accepted;
    return true;
  }

  XmlHandler& handler_;
  const std::vector<std::string_view>& accepted_;
  std::vector<Binding> bindings_;
  std::size_t depth_ = 0;
  std::size_t skipping_ = 0;  // > 0 inside an element of another namespace
  bool defaultAccepted_ = true;  // accepts({}): the default namespace here is read
};

}  // namespace lomandra::container
