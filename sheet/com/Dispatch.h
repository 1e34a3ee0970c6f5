#pragma once

// Late-bound calls on an automation object: every member is looked up by name through
// GetIDsOfNames and called through Invoke, as a script would call it. The ids an object type
// gives are asked once and kept (MemberIds), since each question is a round trip to another
// process. A call the application rejects as busy is retried for a bounded time
// (MessageFilter.h). A failed call throws ComFailure carrying the description the object gave
// (EXCEPINFO), or else the system's text for the HRESULT.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/Failure.h"
#include "sheet/com/ComHandles.h"

namespace lomandra::com {

/// A failed COM call: what() is the description for the user (UTF-8), code() the HRESULT.
class ComFailure : public Failure {
 public:
  ComFailure(const std::string& description, HRESULT code)
      : Failure(Verbatim{}, description), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

/// UTF-16 text as UTF-8.
std::string toUtf8(std::wstring_view text);
/// UTF-8 text as UTF-16.
std::wstring fromUtf8(std::string_view text);

/// The system's text for an HRESULT followed by its code, "Access is denied. (0x80070005)";
/// just the code when the system has no text for it.
std::wstring describeHresult(HRESULT code);

/// Throws ComFailure for a failed `action`: "<action> failed: <description>". The description
/// is the EXCEPINFO's when `info` holds one, else describeHresult(code), or for a call the
/// application kept rejecting, that it was busy.
[[noreturn]] void throwFailure(std::wstring_view action, HRESULT code, EXCEPINFO* info = nullptr);

/// Initialises COM on the calling thread, apartment-threaded, once for the thread's lifetime,
/// and registers the message filter that retries calls a busy application rejects. A thread
/// already initialised (by the toolkit's OLE set-up, say) is used as it is.
void initializeApartment();

/// A named argument of a call: "Prompt" = "Please select range".
struct NamedArgument {
  std::wstring name;
  Variant value;
};

/// The member ids of one application instance's objects, by object type and member name (with
/// the names of named arguments). Objects of one type share their ids, so the first call of a
/// member on any Range serves every later Range.
class MemberIds {
 public:
  const std::vector<DISPID>* find(const std::wstring& key) const;
  void keep(const std::wstring& key, std::vector<DISPID> ids);
  void forget(const std::wstring& key);

 private:
  std::map<std::wstring, std::vector<DISPID>> ids_;
};

/// An automation object reached through IDispatch, called by member name.
class Dispatch {
 public:
  /// `label` names the object in failure descriptions ("Application", "Range"); `type` is the
  /// object's type for the member-id cache ("Range", "Worksheet"; empty: nothing kept).
  Dispatch(ComPtr<IDispatch> object, std::wstring label, std::wstring type = {},
           std::shared_ptr<MemberIds> ids = {});
  /// An object returned by a call: fails unless `value` holds a non-null object.
  static Dispatch fromVariant(Variant value, std::wstring label);
  /// An object returned by a call on this one, sharing its member-id cache.
  Dispatch child(Variant value, std::wstring label, std::wstring type) const;

  /// Reads a property (or calls a member for its result) with positional arguments.
  Variant get(std::wstring_view member, std::vector<Variant> args = {}) const;
  /// Reads a member that must return an object of `type` (the member's name when empty).
  Dispatch getObject(std::wstring_view member, std::vector<Variant> args = {}, std::wstring type = {}) const;
  /// Writes a property.
  void put(std::wstring_view member, Variant value) const;
  /// Calls a method with positional arguments, then named ones.
  Variant call(std::wstring_view member, std::vector<Variant> args = {},
               std::vector<NamedArgument> named = {}) const;
  /// The default member (DISPID_VALUE) read without arguments.
  Variant getDefault() const;
  /// The object's enumerator (DISPID_NEWENUM) as IEnumVARIANT.
  ComPtr<IEnumVARIANT> enumerate() const;

  IDispatch* raw() const { return object_.get(); }
  const std::wstring& label() const { return label_; }

 private:
  std::vector<DISPID> idsOf(std::wstring_view member, const std::vector<NamedArgument>& named) const;
  Variant invoke(std::wstring_view member, std::vector<DISPID> ids, WORD flags, std::vector<Variant>& args,
                 const std::vector<NamedArgument>& named) const;
  HRESULT invokeOnce(DISPID id, WORD flags, std::vector<Variant>& args, std::vector<DISPID> namedIds,
                     Variant& result, EXCEPINFO& info) const;
  std::wstring cacheKey(std::wstring_view member, const std::vector<NamedArgument>& named) const;
  std::wstring action(std::wstring_view member) const;

  ComPtr<IDispatch> object_;
  std::wstring label_;
  std::wstring type_;
  std::shared_ptr<MemberIds> ids_;
};

/// The text a member returned: a string as it is, anything else converted as the automation
/// library converts it to text; fails for an object or an array.
std::wstring textOf(const Variant& value, std::wstring_view what);

}  // namespace lomandra::com
