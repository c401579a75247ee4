#pragma once
// Property values and the sorted JSON object every record is made of.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace collect {

namespace utils {
class ObjectNode;
}

struct DateTime {
  int64_t seconds = 0;  // since 1970
  int milliseconds = 0;
  bool operator==(const DateTime& o) const { return seconds == o.seconds && milliseconds == o.milliseconds; }
};

// A tagged union; the tag is the variant index and fixed:
// 0 number, 1 integer, 2 string, 3 list, 4 date-time, 5 boolean, 6 object.
class PropertyValue {
 public:
  enum Tag { kNumber = 0, kInteger = 1, kString = 2, kList = 3, kDateTime = 4, kBoolean = 5, kObject = 6 };
  using Storage = std::variant<double, int64_t, std::string, std::vector<std::string>, DateTime, bool,
                               std::shared_ptr<const utils::ObjectNode>>;

  PropertyValue() : value_(0.0) {}
  explicit PropertyValue(double v) : value_(v) {}
  explicit PropertyValue(int64_t v) : value_(v) {}
  explicit PropertyValue(std::string v) : value_(std::move(v)) {}
  explicit PropertyValue(std::vector<std::string> v) : value_(std::move(v)) {}
  explicit PropertyValue(DateTime v) : value_(v) {}
  explicit PropertyValue(bool v) : value_(v) {}
  explicit PropertyValue(const utils::ObjectNode& v);

  Tag tag() const { return static_cast<Tag>(value_.index()); }
  const Storage& storage() const { return value_; }
  template <typename T>
  const T* get() const {
    return std::get_if<T>(&value_);
  }

  void AppendJson(std::string& out) const;

 private:
  Storage value_;
};

// Appends s quoted, with exactly the seven two-character escapes
// (\b \t \n \f \r \" \\); every other byte goes out unchanged.
void AppendJsonString(std::string& out, const std::string& s);
// "%g" at its default precision: 0, 12.5, 1.23457e+06.
std::string FormatNumber(double v);
// The local time of the seconds as "YYYY-MM-DD hh:mm:ss.mmm", quoted.
std::string FormatDateTime(const DateTime& t);

namespace utils {

// A map from key to value kept in plain byte order of the keys; it
// serialises without any whitespace and writes keys as they are.
class ObjectNode {
 public:
  using Map = std::map<std::string, PropertyValue>;

  ObjectNode() = default;
  virtual ~ObjectNode() = default;
  ObjectNode(const ObjectNode&) = default;
  ObjectNode& operator=(const ObjectNode&) = default;

  void SetNumber(const std::string& key, double value) { Set(key, PropertyValue(value)); }
  void SetInteger(const std::string& key, int64_t value) { Set(key, PropertyValue(value)); }
  void SetString(const std::string& key, const std::string& value) { Set(key, PropertyValue(value)); }
  void SetList(const std::string& key, const std::vector<std::string>& value) { Set(key, PropertyValue(value)); }
  void SetDateTime(const std::string& key, const DateTime& value) { Set(key, PropertyValue(value)); }
  void SetBool(const std::string& key, bool value) { Set(key, PropertyValue(value)); }
  virtual void SetObject(const std::string& key, const ObjectNode& value);

  const PropertyValue* Find(const std::string& key) const;
  bool Remove(const std::string& key) { return values_.erase(key) != 0; }
  bool Empty() const { return values_.empty(); }
  size_t Size() const { return values_.size(); }
  const Map& Entries() const { return values_; }
  // Copies every entry of other in, replacing entries with the same key.
  void MergeFrom(const ObjectNode& other);

  std::string ToJson() const;
  void AppendJson(std::string& out) const;

 protected:
  void Set(const std::string& key, PropertyValue value) { values_[key] = std::move(value); }

 private:
  Map values_;
};

}  // namespace utils
}  // namespace collect
