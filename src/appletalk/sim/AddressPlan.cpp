// SPDX-License-Identifier: MIT
#include "appletalk/sim/AddressPlan.h"

#include <bitset>

namespace appletalk::sim {

namespace {

constexpr int kFirstServerId = 128;
constexpr int kLastWorkstationId = 127;

// The node ids of one network, number by number, and which are still free.
class NetworkSlots {
public:
    NetworkSlots(const ScenarioNetwork& network, bool uniqueIds, bool isClient, std::uint8_t routerNode)
        : network_(network),
          uniqueIds_(uniqueIds),
          lastId_(network.extended && !uniqueIds ? 253 : 254),
          free_(uniqueIds ? 1 : std::size_t{network.rangeEnd} - network.rangeStart + 1) {
        for (auto& ids : free_)
            for (int id = 1; id <= lastId_; ++id) ids.set(static_cast<std::size_t>(id));
        routerTakesAnId_ = routerNode <= lastId_ && take(network.rangeStart, routerNode);
        if (isClient)
            for (int id = 1; id <= AddressPlan::kWorkstationIdsKept; ++id)
                take(network.rangeStart, static_cast<std::uint8_t>(id));
        firstNumberFree_ = freeCount(network.rangeStart);
    }

    std::size_t freeCount() const {
        std::size_t count = 0;
        for (const auto& ids : free_) count += ids.count();
        return count;
    }
    std::size_t freeCount(std::uint16_t number) const { return free_[slotOf(number)].count(); }
    // How many devices one number holds before any is placed.
    std::size_t holds(std::uint16_t number) const {
        return number == network_.rangeStart ? firstNumberFree_ : static_cast<std::size_t>(lastId_);
    }
    int lastId() const { return lastId_; }
    bool routerTakesAnId() const { return routerTakesAnId_; }

    bool take(std::uint16_t number, std::uint8_t id) {
        auto& ids = free_[slotOf(number)];
        if (!ids.test(id)) return false;
        ids.reset(id);
        return true;
    }

    // The next free id in the order devices take them: on `number` alone when given, else on
    // any number: the server ids of each number in turn, then the workstation ids of each,
    // the first number's last, as that is where clients pick theirs. Slots are only ever
    // taken, so the search over every number resumes where it stopped last.
    std::optional<DeviceAddress> next(std::optional<std::uint16_t> number) {
        if (number) {
            for (int id : {serverIds(), workstationIds()})
                for (; id != 0; id = following(id))
                    if (take(*number, static_cast<std::uint8_t>(id)))
                        return DeviceAddress{*number, static_cast<std::uint8_t>(id)};
            return std::nullopt;
        }
        const std::size_t numbers = free_.size();
        for (; step_ < 2 * numbers; ++step_, id_ = 0) {
            const bool workstations = step_ >= numbers;
            const std::size_t slot = workstations ? (step_ + 1) % numbers : step_;
            if (id_ == 0) id_ = workstations ? workstationIds() : serverIds();
            for (; id_ != 0; id_ = following(id_)) {
                const DeviceAddress address{static_cast<std::uint16_t>(network_.rangeStart + (uniqueIds_ ? 0 : slot)),
                                            static_cast<std::uint8_t>(id_)};
                if (take(address.network, address.node)) return address;
            }
        }
        return std::nullopt;
    }

private:
    std::size_t slotOf(std::uint16_t number) const { return uniqueIds_ ? 0 : number - network_.rangeStart; }
    // Server ids count up from 128, workstation ids down from 127; 0 past either end.
    int serverIds() const { return kFirstServerId; }
    static int workstationIds() { return kLastWorkstationId; }
    int following(int id) const {
        if (id >= kFirstServerId) return id < lastId_ ? id + 1 : 0;
        return id - 1;
    }

    const ScenarioNetwork& network_;
    bool uniqueIds_;
    int lastId_;
    std::vector<std::bitset<256>> free_;
    bool routerTakesAnId_ = false;
    std::size_t firstNumberFree_ = 0;
    std::size_t step_ = 0; // a number and a kind of id: see next()
    int id_ = 0; // where the step stopped; 0: at its start
};

struct Wish {
    std::uint16_t network = 0;
    bool networkGiven = false;
    std::uint8_t node = 0;
};

std::string rangeText(const ScenarioNetwork& network) {
    std::string text = std::to_string(network.rangeStart);
    if (network.extended) text += "-" + std::to_string(network.rangeEnd);
    return text;
}

// "network 100-120 (node ids 1-253 on each of its 21 numbers, less 16 kept for workstations)",
// to be followed by what it holds.
std::string describe(const ScenarioNetwork& network, const NetworkSlots& slots, bool servedOnLocalTalk, bool isClient) {
    std::string text = "network " + rangeText(network);
    if (servedOnLocalTalk) text += " served on LocalTalk";
    text += " (node ids 1-" + std::to_string(slots.lastId());
    if (slots.lastId() == 253)
        text += " on each of its " + std::to_string(network.rangeEnd - network.rangeStart + 1) + " numbers";
    std::vector<std::string> less;
    if (slots.routerTakesAnId()) less.push_back("the router's");
    if (isClient) less.push_back(std::to_string(AddressPlan::kWorkstationIdsKept) + " kept for workstations");
    for (std::size_t i = 0; i < less.size(); ++i) text += (i == 0 ? ", less " : " and ") + less[i];
    return text + ")";
}

} // namespace

std::optional<AddressPlan> AddressPlan::make(const Scenario& scenario, bool clientOnLocalTalk, std::string& problem,
                                             std::size_t* networkIndex) {
    std::vector<Wish> wishes;
    for (const auto& printer : scenario.printers)
        wishes.push_back({printer.network, printer.networkGiven, printer.node});
    for (const auto& server : scenario.fileServers)
        wishes.push_back({server.network, server.networkGiven, server.node});

    AddressPlan plan;
    plan.printers_ = scenario.printers.size();
    plan.addresses_.resize(wishes.size());
    // Devices grouped by network: one pass over the devices, not one per network.
    std::vector<std::vector<std::size_t>> onNetwork(scenario.networks.size());
    for (std::size_t i = 0; i < wishes.size(); ++i)
        for (std::size_t n = 0; n < scenario.networks.size(); ++n)
            if (wishes[i].network >= scenario.networks[n].rangeStart &&
                wishes[i].network <= scenario.networks[n].rangeEnd) {
                onNetwork[n].push_back(i);
                break;
            }

    for (std::size_t n = 0; n < scenario.networks.size(); ++n) {
        const ScenarioNetwork& network = scenario.networks[n];
        const bool isClient =
            scenario.clientNetwork >= network.rangeStart && scenario.clientNetwork <= network.rangeEnd;
        const bool servedOnLocalTalk = isClient && clientOnLocalTalk && network.extended;
        const bool uniqueIds = !network.extended || servedOnLocalTalk;
        NetworkSlots slots(network, uniqueIds, isClient, scenario.routerNode);
        const auto refuse = [&](const std::string& what, std::size_t holds, std::size_t asked) {
            problem = what + " holds at most " + std::to_string(holds) + " devices; the scenario puts " +
                      std::to_string(asked) + " there";
            if (networkIndex) *networkIndex = n;
            return std::nullopt;
        };
        const auto& devices = onNetwork[n];
        if (devices.size() > slots.freeCount())
            return refuse(describe(network, slots, servedOnLocalTalk, isClient), slots.freeCount(), devices.size());

        // Each kind of wish in its turn: an id asked for, then a number asked for, then any.
        std::vector<std::size_t> onNumber;
        std::vector<std::size_t> anywhere;
        for (const std::size_t i : devices) {
            const Wish& wish = wishes[i];
            const std::uint16_t number = wish.networkGiven ? wish.network : network.rangeStart;
            if (wish.node != 0 && wish.node <= slots.lastId() && slots.take(number, wish.node))
                plan.addresses_[i] = {number, wish.node};
            else if (wish.networkGiven && !uniqueIds)
                onNumber.push_back(i);
            else
                anywhere.push_back(i);
        }
        for (const std::size_t i : onNumber) {
            const std::uint16_t number = wishes[i].network;
            const auto address = slots.next(number);
            if (!address) {
                std::size_t asked = 0;
                for (const std::size_t j : devices) asked += wishes[j].networkGiven && wishes[j].network == number;
                return refuse(
                    "network number " + std::to_string(number) + " of " + rangeText(network) + " (node ids 1-253)",
                    slots.holds(number), asked);
            }
            plan.addresses_[i] = *address;
        }
        for (const std::size_t i : anywhere) {
            // Never empty: the devices were counted against the free ids above.
            auto address = slots.next(std::nullopt);
            if (!address) {
                problem = "network " + rangeText(network) + " has no node id left";
                return std::nullopt;
            }
            // On a LocalTalk segment each device keeps the number it was given, its id unique.
            if (uniqueIds && wishes[i].networkGiven) address->network = wishes[i].network;
            plan.addresses_[i] = *address;
        }
    }
    return plan;
}

} // namespace appletalk::sim
