// SPDX-License-Identifier: MIT
// `vidur sim --ethertalk` and client commands on a real EtherTalk cable: a veth pair between
// two network namespaces the test creates (and always removes), the simulator in one, the
// clients in the other or beside it on the same interface, and a LocalTalk segment (LToUDP on
// the first namespace's loopback) bridged onto the cable without a router. Needs root and
// iproute2; skipped with the reason where namespaces cannot be made.
#include "VidurProcess.h"
#include "support/EtherTalkScenario.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;

std::string ipCommand() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
        if (::access(path, X_OK) == 0) return path;
    return {};
}

class EtherTalkNamespaces : public ::testing::Test {
protected:
    void SetUp() override {
        ip = ipCommand();
        if (ip.empty()) GTEST_SKIP() << "iproute2's ip is not installed: no network namespace can be made";
        if (::geteuid() != 0) GTEST_SKIP() << "creating network namespaces needs root";
        const std::string id = std::to_string(::getpid());
        for (const std::string& name : {"vidur-et-sim-" + id, "vidur-et-cli-" + id}) {
            if (!shell(ip + " netns add " + name))
                GTEST_SKIP() << "'ip netns add' does not work here (no namespaces in this container?)";
            namespaces.push_back(name);
        }
        // Made inside the first namespace with its peer in the second: the machine's own
        // namespace never sees either end.
        ASSERT_TRUE(
            shell(ip + " -n " + namespaces[0] + " link add et0 type veth peer name et1 netns " + namespaces[1]));
        ASSERT_TRUE(shell(ip + " -n " + namespaces[0] + " link set et0 up"));
        ASSERT_TRUE(shell(ip + " -n " + namespaces[1] + " link set et1 up"));
        folder = std::filesystem::temp_directory_path() / ("vidur-et-" + id);
        std::filesystem::create_directories(folder);
        scenario = (folder / "ethertalk.toml").string();
        std::ofstream(scenario) << appletalk::testing::kEtherTalkScenario;
    }
    void TearDown() override {
        for (const std::string& name : namespaces) shell(ip + " netns del " + name);
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }

    friend class Bridged;

    static bool shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
    std::vector<std::string> in(std::size_t index) const { return {ip, "netns", "exec", namespaces[index]}; }
    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", folder.string()}, {"VIDUR_NETWORK", std::nullopt}};
    }
    ProcessResult client(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--network", "ethertalk:et1"});
        return VidurProcess::run(arguments, environment(), 60s, in(1));
    }
    std::string profile() const {
        std::ifstream file(folder / "AppleTalk.INI");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string ip;
    std::vector<std::string> namespaces;
    std::filesystem::path folder;
    std::string scenario;
};

// A LocalTalk segment (LToUDP on the first namespace's loopback) and the cable, joined by the
// test bridge (with `bridgeOptions`), a simulator without a router on each side with one printer.
class Bridged {
public:
    Bridged(EtherTalkNamespaces& test, const std::vector<std::string>& bridgeOptions)
        : test_(test),
          port_(std::to_string(20000 + ::getpid() % 20000)),
          localTalkSpool_(test.folder / "localtalk-spool"),
          etherSpool_(test.folder / "ethernet-spool"),
          localTalkEnvironment_(localTalkEnvironmentFor(test, port_)) {
        if (!EtherTalkNamespaces::shell(test.ip + " -n " + test.namespaces[0] + " link set lo up")) {
            problem_ = "no loopback in the namespace";
            return;
        }
        std::vector<std::string> arguments{"netns",       "exec", test.namespaces[0], VIDUR_TEST_BRIDGE,
                                           "--ethertalk", "et0",  "--port",           port_};
        arguments.insert(arguments.end(), bridgeOptions.begin(), bridgeOptions.end());
        bridge_ = std::make_unique<VidurProcess>(test.ip, arguments, test.environment());
        if (!bridge_->waitForOutput("bridging", 10s)) {
            problem_ = bridge_->finish(5s).err;
            return;
        }
        localTalkSim_ = std::make_unique<VidurProcess>(
            std::vector<std::string>{"sim", scenario("localtalk", "LocalTalk Laser"), "--ltoudp", "--ttl", "0",
                                     "--port", port_, "--no-router", "--spool", localTalkSpool_.string()},
            localTalkEnvironment_, test.in(0));
        etherSim_ = std::make_unique<VidurProcess>(
            std::vector<std::string>{"sim", scenario("ethernet", "Ethernet Laser"), "--ethertalk", "et1", "--no-router",
                                     "--spool", etherSpool_.string()},
            test.environment(), test.in(1));
        if (!localTalkSim_->waitForOutput("LocalTalk Laser", 30s))
            problem_ = localTalkSim_->finish(5s).err;
        else if (!etherSim_->waitForOutput("Ethernet Laser", 30s))
            problem_ = etherSim_->finish(5s).err;
    }

    bool ready() const { return problem_.empty(); }
    // Where each side's printer writes the jobs it took.
    std::vector<std::filesystem::path> spools() const { return {localTalkSpool_, etherSpool_}; }
    const std::string& problem() const { return problem_; }

    ProcessResult onLocalTalk(std::vector<std::string> arguments) const {
        return VidurProcess::run(arguments, localTalkEnvironment_, 60s, test_.in(0));
    }
    ProcessResult onEthernet(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--network", "ethertalk:et1"});
        return VidurProcess::run(arguments, test_.environment(), 60s, test_.in(1));
    }

    // Every program stopped as a user stops it, each ending cleanly.
    void stop() {
        for (VidurProcess* process : {localTalkSim_.get(), etherSim_.get(), bridge_.get()}) {
            process->signal(SIGINT);
            const auto ended = process->finish(10s);
            EXPECT_EQ(ended.exitCode, 0) << ended.err;
            const bool isSim = process != bridge_.get();
            EXPECT_TRUE(!isSim || ended.err.find("no router answered on this segment") != std::string::npos)
                << ended.err;
        }
    }

private:
    static VidurProcess::Environment localTalkEnvironmentFor(const EtherTalkNamespaces& test, const std::string& port) {
        auto environment = test.environment();
        environment["VIDUR_NETWORK"] = "ltoudp:127.0.0.1";
        environment["VIDUR_LTOUDP_TTL"] = "0";
        environment["VIDUR_LTOUDP_PORT"] = port;
        return environment;
    }
    std::string scenario(const std::string& name, const std::string& printer) const {
        const std::filesystem::path file = test_.folder / (name + ".toml");
        std::ofstream(file) << "title = \"" << name << "\"\nclient_network = 3\n[[network]]\nnumber = 3\n"
                            << "zone = \"Unrouted\"\n[[printer]]\nname = \"" << printer << "\"\nzone = \"Unrouted\"\n";
        return file.string();
    }

    const EtherTalkNamespaces& test_;
    std::string port_;
    std::string problem_;
    std::filesystem::path localTalkSpool_;
    std::filesystem::path etherSpool_;
    VidurProcess::Environment localTalkEnvironment_;
    std::unique_ptr<VidurProcess> bridge_;
    std::unique_ptr<VidurProcess> localTalkSim_;
    std::unique_ptr<VidurProcess> etherSim_;
};

TEST_F(EtherTalkNamespaces, ClientsFindZonesDevicesAndStatusThroughTheSimulatedRouter) {
    VidurProcess sim({"sim", scenario, "--ethertalk", "et0"}, environment(), in(0));
    if (!sim.waitForOutput("Far", 30s)) FAIL() << "the simulator did not come up: " << sim.finish(5s).err;

    // Last time the client was 3.130, in "EtherTalk B": the printer holds that address now.
    std::ofstream(folder / "AppleTalk.INI") << "[Network]\nEtherTalkAddress=3.130\nEtherTalkZone=EtherTalk B\n";
    const auto netinfo = client({"netinfo", "--text"});
    ASSERT_EQ(netinfo.exitCode, 0) << netinfo.err;
    std::smatch address;
    ASSERT_TRUE(std::regex_search(netinfo.out, address, std::regex("address:  (\\d+)\\.(\\d+) "))) << netinfo.out;
    EXPECT_NE(address[1].str() + "." + address[2].str(), "3.130");
    EXPECT_NE(netinfo.out.find("zone:     EtherTalk B\nrange:    3-5\n"), std::string::npos) << netinfo.out;
    // The new address is kept for next time, and taken again then.
    const std::string kept = address[1].str() + "." + address[2].str();
    EXPECT_NE(profile().find("EtherTalkAddress=" + kept), std::string::npos) << profile();
    const auto again = client({"netinfo", "--text"});
    EXPECT_NE(again.out.find("address:  " + kept + " "), std::string::npos) << again.out << again.err;

    const auto zones = client({"zones"});
    EXPECT_EQ(zones.out, "EtherTalk A\nEtherTalk B\nLager\n") << zones.err;
    const auto lookup = client({"lookup", "=:LaserWriter@Lager"});
    EXPECT_EQ(lookup.out.rfind("Far  LaserWriter  Lager  8.", 0), 0u) << lookup.out << lookup.err;
    const auto status = client({"papstatus", "Far@Lager"});
    EXPECT_EQ(status.out, "status: far away\n") << status.err;

    sim.signal(SIGINT);
    EXPECT_EQ(sim.finish(10s).exitCode, 0);
}

// A second simulator beside the first one's router: its printer joins as a plain node and must
// listen to its zone's multicast address, where the router sends the zone's look-ups. A Linux
// bridge in the clients' namespace joins the three.
TEST_F(EtherTalkNamespaces, ADeviceBesideTheRouterHearsItsZonesLookUps) {
    const std::string beside = "vidur-et-side-" + std::to_string(::getpid());
    ASSERT_TRUE(shell(ip + " netns add " + beside));
    namespaces.push_back(beside);
    const std::string cli = ip + " -n " + namespaces[1] + " link ";
    ASSERT_TRUE(shell(cli + "add br0 type bridge"));
    ASSERT_TRUE(shell(cli + "add et2 type veth peer name et0 netns " + beside));
    ASSERT_TRUE(shell(cli + "set et1 master br0") && shell(cli + "set et2 master br0"));
    ASSERT_TRUE(shell(cli + "set et2 up") && shell(cli + "set br0 up"));
    ASSERT_TRUE(shell(ip + " -n " + beside + " link set et0 up"));
    const std::string besideScenario = (folder / "beside.toml").string();
    std::ofstream(besideScenario) << "title = \"Beside\"\nclient_network = 3\n[[network]]\nrange = [3, 5]\n"
                                     "zones = [\"EtherTalk A\"]\n"
                                     "[[printer]]\nname = \"Beside\"\nzone = \"EtherTalk A\"\nnode = 140\n";

    VidurProcess router({"sim", scenario, "--ethertalk", "et0"}, environment(), in(0));
    if (!router.waitForOutput("Far", 30s)) FAIL() << "the simulator did not come up: " << router.finish(5s).err;
    VidurProcess second({"sim", besideScenario, "--ethertalk", "et0"}, environment(), in(2));
    if (!second.waitForOutput("Beside", 30s))
        FAIL() << "the second simulator did not come up: " << second.finish(5s).err;

    const auto onBridge = [this](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--network", "ethertalk:br0"});
        return VidurProcess::run(arguments, environment(), 60s, in(1));
    };
    // The client's first start on this cable: the look-up waits while it probes for an
    // address, asks GetNetInfo and probes again in the cable's range.
    const auto lookup = onBridge({"lookup", "=:LaserWriter@EtherTalk A"});
    second.signal(SIGINT);
    const auto secondEnd = second.finish(10s);
    EXPECT_NE(lookup.out.find("Beside"), std::string::npos)
        << lookup.out << lookup.err << secondEnd.out << secondEnd.err;
    EXPECT_EQ(secondEnd.exitCode, 0);
    EXPECT_NE(secondEnd.err.find("a router already serves this segment"), std::string::npos) << secondEnd.err;
    // Its table shows the zone the router put it in, learnt from GetNetInfo.
    EXPECT_TRUE(std::regex_search(secondEnd.out, std::regex("Beside +LaserWriter +EtherTalk A +[3-5]\\.")))
        << secondEnd.out;
    router.signal(SIGINT);
    EXPECT_EQ(router.finish(10s).exitCode, 0);
}

// The router drops a BrRq that says "*": a zone-less look-up must name the client's zone. The
// simulator and the client share one interface, where each hears what the other sends.
TEST_F(EtherTalkNamespaces, AClientBesideTheSimulatorOnItsInterfaceFindsDevicesWithoutNamingAZone) {
    VidurProcess sim({"sim", scenario, "--ethertalk", "et0"}, environment(), in(0));
    if (!sim.waitForOutput("Far", 30s)) FAIL() << "the simulator did not come up: " << sim.finish(5s).err;
    std::ofstream(folder / "AppleTalk.INI") << "[Network]\nEtherTalkZone=EtherTalk B\n";
    const auto beside = [this](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--network", "ethertalk:et0"});
        return VidurProcess::run(arguments, environment(), 60s, in(0));
    };
    const auto lookup = beside({"lookup", "=:LaserWriter"});
    EXPECT_EQ(lookup.out.rfind("Near  LaserWriter  EtherTalk B  ", 0), 0u) << lookup.out << lookup.err;
    const auto status = beside({"papstatus", "Near"});
    EXPECT_EQ(status.exitCode, 0) << status.out << status.err;
    sim.signal(SIGINT);
    EXPECT_EQ(sim.finish(10s).exitCode, 0);
}

// A LocalTalk segment without a router, bridged onto the cable: its nodes appear there in the
// start-up range (network 65280), the cable's nodes keep theirs. Clients on each side find the
// printers of both and print on the other side's.
TEST_F(EtherTalkNamespaces, ClientsOnEachSideOfABridgeWithoutARouterFindAndPrintOnTheOther) {
    Bridged sides(*this, {});
    ASSERT_TRUE(sides.ready()) << sides.problem();
    for (const auto& found :
         {sides.onLocalTalk({"lookup", "=:LaserWriter"}), sides.onEthernet({"lookup", "=:LaserWriter"})}) {
        EXPECT_NE(found.out.find("LocalTalk Laser"), std::string::npos) << found.out << found.err;
        EXPECT_NE(found.out.find("Ethernet Laser"), std::string::npos) << found.out << found.err;
    }
    const std::filesystem::path job = folder / "job.ps";
    const std::string content = "%!PS-Adobe-3.0\n%%Title: across\n%%EndComments\nshowpage\n";
    std::ofstream(job) << content;
    const auto toEthernet = sides.onLocalTalk({"print", job.string(), "--to", "Ethernet Laser"});
    EXPECT_EQ(toEthernet.exitCode, 0) << toEthernet.err;
    const auto toLocalTalk = sides.onEthernet({"print", job.string(), "--to", "LocalTalk Laser"});
    EXPECT_EQ(toLocalTalk.exitCode, 0) << toLocalTalk.err;

    // Stopped, each printer has closed its job: one file on each side.
    sides.stop();
    for (const auto& spool : sides.spools()) {
        std::vector<std::filesystem::path> jobs(std::filesystem::directory_iterator(spool), {});
        ASSERT_EQ(jobs.size(), 1u) << spool;
        std::ifstream spooled(jobs[0], std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(spooled), {}), content) << jobs[0];
    }
}

// A bridge that passes LocalTalk's network 0 on as it is: the Ethernet printer hears a request
// from a sender that names no network, and answers it at the hardware address the request came
// from, not by AARP for an address nobody holds and then a broadcast too late for the look-up.
// A default look-up on either side finds both printers within its default wait.
TEST_F(EtherTalkNamespaces, ABridgeKeepingNetworkZeroStillHasBothSidesFoundByADefaultLookUp) {
    Bridged sides(*this, {"--network-zero", "keep"});
    ASSERT_TRUE(sides.ready()) << sides.problem();
    for (const auto& found : {sides.onLocalTalk({"lookup"}), sides.onEthernet({"lookup"})}) {
        EXPECT_NE(found.out.find("LocalTalk Laser"), std::string::npos) << found.out << found.err;
        EXPECT_NE(found.out.find("Ethernet Laser"), std::string::npos) << found.out << found.err;
    }
    sides.stop();
}

// A port of a Linux bridge hears nothing of its own: the bridge takes its frames.
TEST_F(EtherTalkNamespaces, APortOfALinuxBridgeIsRefusedNamingTheBridge) {
    const std::string link = ip + " -n " + namespaces[1] + " link ";
    ASSERT_TRUE(shell(link + "add br7 type bridge") && shell(link + "set et1 master br7"));
    const auto result = VidurProcess::run({"zones", "--network", "ethertalk:et1"}, environment(), 60s, in(1));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("et1 is a port of the bridge br7"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("name br7 instead"), std::string::npos) << result.err;
}

TEST_F(EtherTalkNamespaces, AnInterfaceThatDoesNotExistIsNamedInTheError) {
    const auto result = VidurProcess::run({"zones", "--network", "ethertalk:nonesuch0"}, environment(), 60s, in(1));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("nonesuch0"), std::string::npos) << result.err;
}

} // namespace
} // namespace vidur::cli
