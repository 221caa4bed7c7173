#include "KernelHosts.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "Hex.h"

namespace fabricsim {
namespace {
constexpr char kClassSeen[] = "/sys/class";
constexpr char kPciSeen[] = "/sys/bus/pci/devices";

std::string lowerHex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string fc4Bits() {  // FCP (type 8) and CT (type 0x20), as an FCoE port shows them
    std::string text;
    for (int i = 0; i < 32; ++i) text += (i == 2 ? "0x01" : i == 7 ? "0x01" : "0x00") + std::string(i < 31 ? " " : "\n");
    return text;
}

// A PCI configuration header: Intel 82599 (vendor 8086, device 10fb), an Ethernet
// controller of one function, with a capability list that is empty, so libhbalinux
// finds no serial number and prints nothing.
std::string pciConfig() {
    std::string config(256, '\0');
    const unsigned char head[] = {0x86, 0x80, 0xfb, 0x10, 0x06, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x02};
    std::memcpy(&config[0], head, sizeof head);
    config[0x2c] = '\x86';
    config[0x2d] = '\x80';
    config[0x2e] = '\x0c';
    config[0x2f] = '\x00';
    return config;
}

class TreeWriter {
public:
    std::string failure;

    void dir(const std::string& path) {
        if (failure.empty() && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail("mkdir " + path);
    }
    void file(const std::string& path, const std::string& content) {
        if (!failure.empty()) return;
        std::ofstream out(path, std::ios::binary);
        out << content;
        if (!out) fail("write " + path);
    }
    void link(const std::string& target, const std::string& path) {
        if (failure.empty() && ::symlink(target.c_str(), path.c_str()) != 0) fail("symlink " + path);
    }

private:
    void fail(const std::string& what) { failure = what + ": " + std::strerror(errno); }
};

// Some file systems list a directory newest first (tmpfs on some kernels), others oldest first.
bool listsNewestFirst(const std::string& dir) {
    const std::string first = dir + "/.order-a", second = dir + "/.order-b";
    if (::mkdir(first.c_str(), 0700) != 0) return false;
    ::mkdir(second.c_str(), 0700);
    bool newestFirst = false;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".order-a") == 0) break;
            if (std::strcmp(e->d_name, ".order-b") == 0) {
                newestFirst = true;
                break;
            }
        }
        ::closedir(d);
    }
    ::rmdir(second.c_str());
    ::rmdir(first.c_str());
    return newestFirst;
}

void writeHost(TreeWriter& tree, const Model& model, const KernelHost& host, const std::string& classDir) {
    const Adapter& adapter = model.adapters[host.adapter];
    const AdapterPort& port = adapter.ports[host.port];
    const Fabric& fabric = model.fabrics[*port.fabric];
    const std::string n = std::to_string(host.number);
    const std::string name = "host" + n;

    // The net interface, with the controller directory the fc_host's device link points into.
    const std::string net = classDir + "/net/" + host.ifname;
    tree.dir(net);
    tree.file(net + "/ifindex", std::to_string(host.number + 2) + "\n");
    tree.file(net + "/iflink", std::to_string(host.number + 2) + "\n");
    tree.link(std::string(kPciSeen) + "/" + host.pciAddress, net + "/device");
    tree.dir(net + "/ctlr_" + n);
    tree.dir(net + "/ctlr_" + n + "/" + name);

    const std::string dir = classDir + "/fc_host/" + name;
    tree.dir(dir);
    tree.file(dir + "/port_name", lowerHex(port.wwn) + "\n");
    tree.file(dir + "/node_name", lowerHex(adapter.nodeWwn) + "\n");
    char fcid[16];
    std::snprintf(fcid, sizeof fcid, "0x%06x\n", static_cast<unsigned>(port.fcid));
    tree.file(dir + "/port_id", fcid);
    tree.file(dir + "/port_type", "NPort (fabric via point-to-point)\n");
    tree.file(dir + "/port_state", "Online\n");
    tree.file(dir + "/speed", "10 Gbit\n");
    tree.file(dir + "/supported_speeds", "10 Gbit\n");
    tree.file(dir + "/maxframe_size", "2048 bytes\n");
    tree.file(dir + "/supported_fc4s", fc4Bits());
    tree.file(dir + "/active_fc4s", fc4Bits());
    tree.file(dir + "/fabric_name", lowerHex(fabric.name ? *fabric.name : 0) + "\n");
    tree.file(dir + "/supported_classes", "Class 3\n");
    tree.file(dir + "/symbolic_name", "fcoe v0.1 over " + host.ifname + "\n");
    tree.link(std::string(kClassSeen) + "/net/" + host.ifname + "/ctlr_" + n + "/" + name, dir + "/device");

    const std::string bsg = classDir + "/bsg/fc_host" + n;
    tree.dir(bsg);
    tree.file(bsg + "/dev", "254:" + n + "\n");
}

void writePciFunction(TreeWriter& tree, const KernelHost& host, const std::string& pciDir) {
    const std::string dir = pciDir + "/" + host.pciAddress;
    tree.dir(dir);
    tree.file(dir + "/config", pciConfig());
    tree.file(dir + "/vendor", "0x8086\n");
    tree.file(dir + "/device", "0x10fb\n");
    tree.file(dir + "/subsystem_vendor", "0x8086\n");
    tree.file(dir + "/subsystem_device", "0x000c\n");
    tree.file(dir + "/class", "0x020000\n");
    tree.file(dir + "/revision", "0x01\n");
    tree.dir(dir + "/driver");
    tree.link("/sys/module/ixgbe", dir + "/driver/module");
}
}  // namespace

std::vector<KernelHost> kernelHosts(const Model& model) {
    std::vector<KernelHost> hosts;
    for (std::size_t a = 0; a < model.adapters.size(); ++a) {
        const Adapter& adapter = model.adapters[a];
        if (adapter.fail != AdapterFailure::None) continue;
        for (std::size_t p = 0; p < adapter.ports.size(); ++p) {
            if (!adapter.ports[p].fabric) continue;
            KernelHost host;
            host.adapter = a;
            host.port = p;
            host.number = static_cast<unsigned>(hosts.size());
            host.ifname = "eth" + std::to_string(host.number);
            char address[24];
            std::snprintf(address, sizeof address, "0000:%02x:%02x.0", 1 + host.number / 32, host.number % 32);
            host.pciAddress = address;
            host.pciFunction = !adapter.ports[p].failAttributes;
            hosts.push_back(host);
        }
    }
    return hosts;
}

std::string writeSysfsTree(const Model& model, const std::string& classDir, const std::string& pciDir) {
    TreeWriter tree;
    for (const char* sub : {"/fc_host", "/net", "/bsg", "/fc_remote_ports"}) tree.dir(classDir + sub);
    // libhbalinux numbers its adapters in directory order: the host directories are made
    // in the order that lists them in model order.
    const std::vector<KernelHost> hosts = kernelHosts(model);
    const bool reverse = listsNewestFirst(classDir + "/fc_host");
    for (std::size_t i = 0; i < hosts.size(); ++i)
        tree.dir(classDir + "/fc_host/host" + std::to_string(hosts[reverse ? hosts.size() - 1 - i : i].number));
    for (const KernelHost& host : hosts) {
        writeHost(tree, model, host, classDir);
        if (host.pciFunction) writePciFunction(tree, host, pciDir);
    }
    return tree.failure;
}

}  // namespace fabricsim
