#include "analytics/sdk/sdk.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <random>
#include <shared_mutex>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/record_queue.h"

namespace collect {

namespace {

constexpr char kTrack[] = "track";
constexpr char kTrackSignup[] = "track_signup";

int64_t NowMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool CheckId(const char* subject, const std::string& id) {
  if (id.empty()) {
    WriteDiagnostic(std::string("The ") + subject + " is empty.");
    return false;
  }
  if (id.size() > kMaxIdBytes) {
    WriteDiagnostic(std::string("The ") + subject + " is too long, max length is 255.");
    return false;
  }
  return true;
}

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

bool CheckName(const char* subject, const std::string& name) {
  if (name.empty() || name.size() > kMaxNameBytes) {
    WriteDiagnostic(std::string("The ") + subject + " is empty or too long, max length is 100");
    return false;
  }
  if (!IsValidName(name)) {
    WriteDiagnostic(std::string("The ") + subject + " need to be a valid variable name.");
    return false;
  }
  return true;
}

class Instance {
 public:
  Instance(std::unique_ptr<RecordSender> sender, const std::string& stagingPath, std::string distinctId, bool isLoginId)
      : queue(stagingPath, std::move(sender)),
        distinctId_(std::move(distinctId)),
        isLoginId_(isLoginId),
        random_(static_cast<std::mt19937::result_type>(std::time(nullptr))) {
    superProperties_.SetString("$lib", kLibName);
    superProperties_.SetString("$lib_version", kLibVersion);
  }

  bool BuildRecord(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                   const std::string& distinctId, const std::string& originalId);

  RecordQueue queue;

  std::mutex stateLock;  // guards everything below
  PropertiesNode superProperties_;
  std::string distinctId_;
  bool isLoginId_;

 private:
  int64_t NewTrackId(int64_t nowMs);
  std::mt19937 random_;
};

int64_t Instance::NewTrackId(int64_t nowMs) {
  // Two and three digits of chance, then the last four of the clock.
  const int64_t a = (random_() % 99 + 100) % 100;
  const int64_t b = (random_() % 999 + 1000) % 1000;
  const int64_t c = nowMs % 10000;
  return a * 10000000 + b * 10000 + c;
}

bool Instance::BuildRecord(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                           const std::string& distinctId, const std::string& originalId) {
  for (const auto& [key, value] : properties.Entries()) {
    if (!CheckName("Property Key", key)) return false;
    if (key == "$time" && value.tag() != PropertyValue::kDateTime) {
      WriteDiagnostic("The property '$time' should be DateTime type.");
      return false;
    }
    if (key == "$project" && value.tag() != PropertyValue::kString) {
      WriteDiagnostic("The property '$project' should be String type.");
      return false;
    }
  }
  if (type == kTrack && !CheckName("Event Name", eventName)) return false;
  if (type == kTrackSignup && !CheckId("Original ID", originalId)) return false;

  utils::ObjectNode merged;
  bool isLoginId = false;
  int64_t trackId = 0;
  const int64_t nowMs = NowMilliseconds();
  {
    const std::lock_guard<std::mutex> lock(stateLock);
    if (type.find("track") != std::string::npos) merged = superProperties_;
    isLoginId = isLoginId_;
    trackId = NewTrackId(nowMs);
  }
  merged.MergeFrom(properties);

  int64_t timeMs = nowMs;
  if (const PropertyValue* t = merged.Find("$time")) {
    const DateTime* dt = t->get<DateTime>();
    timeMs = dt->seconds * 1000 + dt->milliseconds;
    merged.Remove("$time");
  }
  std::string project;
  if (const PropertyValue* p = merged.Find("$project")) {
    project = *p->get<std::string>();
    merged.Remove("$project");
  }
  if (isLoginId) merged.SetBool("$is_login_id", true);

  utils::ObjectNode lib;
  lib.SetString("$lib", kLibName);
  lib.SetString("$lib_method", "code");
  lib.SetString("$lib_version", kLibVersion);

  utils::ObjectNode record;
  record.SetInteger("_track_id", trackId);
  record.SetString("distinct_id", distinctId);
  if (type == kTrack || type == kTrackSignup) record.SetString("event", eventName);
  record.SetObject("lib", lib);
  if (type == kTrackSignup) record.SetString("original_id", originalId);
  if (!project.empty()) record.SetString("project", project);
  record.SetObject("properties", merged);
  record.SetInteger("time", timeMs);
  record.SetString("type", type);
  queue.Add(record.ToJson());
  return true;
}

std::shared_mutex g_instanceLock;
std::unique_ptr<Instance> g_instance;

// Runs fn on the live instance under the shared lock; false without one.
template <typename Fn>
bool WithInstance(Fn fn) {
  const std::shared_lock<std::shared_mutex> lock(g_instanceLock);
  return g_instance ? fn(*g_instance) : false;
}

bool TrackWithCurrentId(const std::string& type, const std::string& eventName, const PropertiesNode& properties) {
  return WithInstance([&](Instance& sdk) {
    std::string distinctId;
    {
      const std::lock_guard<std::mutex> lock(sdk.stateLock);
      distinctId = sdk.distinctId_;
    }
    return sdk.BuildRecord(type, eventName, properties, distinctId, "");
  });
}

}  // namespace

bool IsValidName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameBytes || !IsNameStart(name[0])) return false;
  for (const char c : name) {
    if (!IsNamePart(c)) return false;
  }
  return true;
}

bool Sdk::Init(const std::string& serverUrl, const std::string& stagingPath, const std::string& distinctId,
               bool isLoginId) {
  if (!CheckId("Distinct ID", distinctId)) return false;
  return Init(std::make_unique<RecordSender>(serverUrl), stagingPath, distinctId, isLoginId);
}

bool Sdk::Init(std::unique_ptr<RecordSender> sender, const std::string& stagingPath, const std::string& distinctId,
               bool isLoginId) {
  if (!CheckId("Distinct ID", distinctId)) return false;
  const std::unique_lock<std::shared_mutex> lock(g_instanceLock);
  if (!g_instance) g_instance = std::make_unique<Instance>(std::move(sender), stagingPath, distinctId, isLoginId);
  return true;
}

void Sdk::Destroy() {
  std::unique_ptr<Instance> ending;
  {
    const std::unique_lock<std::shared_mutex> lock(g_instanceLock);
    ending = std::move(g_instance);
  }
  // Staging happens here, outside the instance lock.
  ending.reset();
}

bool Sdk::IsInitialized() {
  return WithInstance([](Instance&) { return true; });
}

bool Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
  return TrackWithCurrentId(kTrack, eventName, properties);
}

bool Sdk::TrackSignup(const std::string& loginId) {
  if (!CheckId("Distinct ID", loginId)) return false;
  return WithInstance([&](Instance& sdk) {
    std::string originalId;
    {
      const std::lock_guard<std::mutex> lock(sdk.stateLock);
      originalId = sdk.distinctId_;
    }
    if (!sdk.BuildRecord(kTrackSignup, "$SignUp", PropertiesNode(), loginId, originalId)) return false;
    const std::lock_guard<std::mutex> lock(sdk.stateLock);
    sdk.distinctId_ = loginId;
    sdk.isLoginId_ = true;
    return true;
  });
}

bool Sdk::TrackActivity(const PropertiesNode& properties) {
  PropertiesNode activity;
  activity.SetString("$ios_install_source", "");
  activity.MergeFrom(properties);
  return Track("ZtEventActivity", activity);
}

bool Sdk::ProfileSet(const PropertiesNode& properties) { return TrackWithCurrentId("profile_set", "", properties); }

bool Sdk::ProfileSetOnce(const PropertiesNode& properties) {
  return TrackWithCurrentId("profile_set_once", "", properties);
}

bool Sdk::ProfileIncrement(const PropertiesNode& properties) {
  return TrackWithCurrentId("profile_increment", "", properties);
}

bool Sdk::ProfileAppend(const std::string& key, const std::vector<std::string>& values) {
  PropertiesNode properties;
  properties.SetList(key, values);
  return TrackWithCurrentId("profile_append", "", properties);
}

bool Sdk::Flush() {
  return WithInstance([](Instance& sdk) { return sdk.queue.Flush(); });
}

bool Sdk::AddSuperProperties(const PropertiesNode& properties) {
  return WithInstance([&](Instance& sdk) {
    const std::lock_guard<std::mutex> lock(sdk.stateLock);
    sdk.superProperties_.MergeFrom(properties);
    return true;
  });
}

PropertiesNode Sdk::SuperProperties() {
  PropertiesNode copy;
  WithInstance([&](Instance& sdk) {
    const std::lock_guard<std::mutex> lock(sdk.stateLock);
    copy = sdk.superProperties_;
    return true;
  });
  return copy;
}

std::string Sdk::DistinctId() {
  std::string id;
  WithInstance([&](Instance& sdk) {
    const std::lock_guard<std::mutex> lock(sdk.stateLock);
    id = sdk.distinctId_;
    return true;
  });
  return id;
}

bool Sdk::IsLoginId() {
  return WithInstance([](Instance& sdk) {
    const std::lock_guard<std::mutex> lock(sdk.stateLock);
    return sdk.isLoginId_;
  });
}

std::vector<std::string> Sdk::QueuedRecords() {
  std::vector<std::string> records;
  WithInstance([&](Instance& sdk) {
    records = sdk.queue.Records();
    return true;
  });
  return records;
}

}  // namespace collect
