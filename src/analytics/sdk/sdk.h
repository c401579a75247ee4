#pragma once
// The collection SDK: one process-wide instance that turns events and
// profile updates into JSON records, queues them and sends them in batches
// when asked to. It has no thread of its own.

#include <memory>
#include <string>
#include <vector>

#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/record_sender.h"

namespace collect {

constexpr char kLibName[] = "cpp";
constexpr char kLibVersion[] = "0.9";
constexpr size_t kMaxIdBytes = 255;
constexpr size_t kMaxNameBytes = 100;

// The key rule for property keys and event names: 1-100 bytes, a letter,
// "$" or "_" first, then letters, digits, "$" or "_".
bool IsValidName(const std::string& name);

// Every operation but Init does nothing without an instance, and those that
// answer answer false.
class Sdk {
 public:
  // Creates the instance unless one exists (then nothing changes). False,
  // with a line on standard error, when the distinct id is empty or longer
  // than 255 bytes.
  static bool Init(const std::string& serverUrl, const std::string& stagingPath, const std::string& distinctId,
                   bool isLoginId);
  // Same, with the sender the records travel through.
  static bool Init(std::unique_ptr<RecordSender> sender, const std::string& stagingPath, const std::string& distinctId,
                   bool isLoginId);
  // Stages the queue to the staging file and ends the instance.
  static void Destroy();
  static bool IsInitialized();

  static bool Track(const std::string& eventName, const PropertiesNode& properties);
  // "$SignUp" from the current distinct id to loginId, which then becomes
  // the distinct id, logged in.
  static bool TrackSignup(const std::string& loginId);
  // "ZtEventActivity", with "$ios_install_source" present (empty unless given).
  static bool TrackActivity(const PropertiesNode& properties);
  static bool ProfileSet(const PropertiesNode& properties);
  static bool ProfileSetOnce(const PropertiesNode& properties);
  static bool ProfileIncrement(const PropertiesNode& properties);
  static bool ProfileAppend(const std::string& key, const std::vector<std::string>& values);

  static bool Flush();

  // Super properties travel with every track record; same keys are replaced.
  static bool AddSuperProperties(const PropertiesNode& properties);
  static PropertiesNode SuperProperties();
  static std::string DistinctId();
  static bool IsLoginId();
  // Records queued and not yet sent, oldest first.
  static std::vector<std::string> QueuedRecords();
};

}  // namespace collect
