// A simulated printer: registers name:type@* on its server listening socket and answers
// PAP SendStatus (at-least-once or exactly-once) with a status text that may change while it
// runs, cycle on a period, come late or never. OpenConn is answered "busy" with the status,
// so a client that tries to print learns why it cannot.
#pragma once

#include "appletalk/services/pap/PapStatusServer.h"
#include "appletalk/sim/SimDevice.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace appletalk::sim {

struct PrinterBehaviour {
    std::string name;                  // Mac OS Roman, 1..32 bytes
    std::string type = "LaserWriter";  // LaserWriter, ImageWriter, LQ, or any
    std::string status = "status: idle";
    std::vector<std::string> statusCycle;  // when not empty: shown in turn, one per period
    Duration statusPeriod = std::chrono::seconds(10);
    Duration answerDelay{};  // how long a SendStatus waits for its answer
    bool answers = true;     // false: SendStatus is never answered
};

class SimPrinter final : public SimDevice {
public:
    SimPrinter(const Clock& clock, LinkFactory links, DevicePlacement placement, PrinterBehaviour behaviour);
    ~SimPrinter() override;

    // Replaces the status text (and stops any cycle) from now on.
    void setStatus(std::string status);
    // What a SendStatus would be answered with now.
    std::string currentStatus() const;
    void setAnswers(bool answers);
    void setAnswerDelay(Duration delay);
    const PrinterBehaviour& behaviour() const { return behaviour_; }
    std::uint64_t statusRequests() const;

protected:
    std::uint8_t openServices(Node& node) override;
    void closeServices() override;

private:
    AtpAnswer refuseConnection(const AtpIncomingRequest& request) const;
    // Puts the cycle's current text on the server and wakes again at the next change.
    void followCycle();

    PrinterBehaviour behaviour_;
    SteadyTime cycleStart_;
    std::unique_ptr<PapStatusServer> server_;
    TimerId cycleTimer_ = 0;
    std::uint64_t earlierRequests_ = 0;  // answered by servers of earlier visits
};

} // namespace appletalk::sim
