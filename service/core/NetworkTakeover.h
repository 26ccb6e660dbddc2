#pragma once
// Emergency takeovers, without HTTP: a request read from its JSON form and checked against what
// exists, its text made into a stored one-item program, stored with the signs it reaches; and
// ended. The calendar scheduler gives each sign the takeover that applies to it.
#include <nlohmann/json.hpp>

#include "service/core/ServiceResult.h"
#include "service/core/SignNetwork.h"

namespace orb {

// The colours and text entry effects a takeover's text may have, by their names.
bool isTakeoverColour(const std::string& name);
bool isTextEntryEffect(const std::string& name);

class NetworkTakeover {
  public:
    explicit NetworkTakeover(SignNetwork& network) : net_(network) {}

    // Stores the takeover BODY describes ({"text", "colour", "effect"} or {"program"}, with
    // "signs", "groups" and "until"); OUT is the takeover as stored. Invalid naming the field.
    ServiceResult create(const nlohmann::json& body, const Actor& actor, Takeover& out);
    // Ends takeover ID now; Conflict when it has ended already.
    ServiceResult end(int64_t id, const Actor& actor, Takeover& out);

  private:
    ServiceResult readTargets(const nlohmann::json& body, Takeover& t, std::vector<int64_t>& signs);
    ServiceResult readUntil(const nlohmann::json& body, Takeover& t);
    ServiceResult textProgram(const nlohmann::json& body, const std::vector<int64_t>& signs, Takeover& t);
    ServiceResult givenProgram(const nlohmann::json& body, Takeover& t);

    SignNetwork& net_;
};

}  // namespace orb
