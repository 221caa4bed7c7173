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

// A PCI configuration header of one function with an empty capability list, so that
// libhbalinux finds no serial number and prints nothing.
std::string pciConfig(const DriverLook& look) {
    std::string config(256, '\0');
    auto put16 = [&](std::size_t at, std::uint32_t value) {
        config[at] = static_cast<char>(value & 0xFF);
        config[at + 1] = static_cast<char>((value >> 8) & 0xFF);
    };
    put16(0x00, look.pciVendor);
    put16(0x02, look.pciDevice);
    put16(0x04, 0x0006);  // memory space, bus master
    put16(0x06, 0x0010);  // status: capability list (empty)
    config[0x08] = '\x01';  // revision
    config[0x09] = static_cast<char>(look.pciClass & 0xFF);
    config[0x0a] = static_cast<char>((look.pciClass >> 8) & 0xFF);
    config[0x0b] = static_cast<char>((look.pciClass >> 16) & 0xFF);
    put16(0x2c, look.pciVendor);
    put16(0x2e, 0x000c);
    return config;
}

// Writes by the path a program in the namespace sees (/sys/class/..., /sys/bus/pci/devices/...).
class TreeWriter {
public:
    TreeWriter(std::string classDir, std::string pciDir) : classDir_(std::move(classDir)), pciDir_(std::move(pciDir)) {}
    std::string failure;

    void dir(const std::string& seen) {
        const std::string path = at(seen);
        if (failure.empty() && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail("mkdir " + path);
    }
    void file(const std::string& seen, const std::string& content) {
        if (!failure.empty()) return;
        const std::string path = at(seen);
        std::ofstream out(path, std::ios::binary);
        out << content;
        if (!out) fail("write " + path);
    }
    void link(const std::string& target, const std::string& seen) {
        const std::string path = at(seen);
        if (failure.empty() && ::symlink(target.c_str(), path.c_str()) != 0) fail("symlink " + path);
    }
    std::string at(const std::string& seen) const {
        if (seen.compare(0, sizeof kPciSeen - 1, kPciSeen) == 0) return pciDir_ + seen.substr(sizeof kPciSeen - 1);
        return classDir_ + seen.substr(sizeof kClassSeen - 1);
    }

private:
    void fail(const std::string& what) { failure = what + ": " + std::strerror(errno); }
    std::string classDir_;
    std::string pciDir_;
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

std::string classEntry(const char* cls, const std::string& name) { return std::string(kClassSeen) + "/" + cls + "/" + name; }

// A class device of the host: its directory under the device, its own link back to the
// device and (unless made already) the link to it from /sys/class/<cls>.
std::string classDevice(TreeWriter& tree, const std::string& device, const char* cls, const std::string& name,
                        bool classLink = true) {
    const std::string dir = device + "/" + cls + "/" + name;
    tree.dir(device + "/" + cls);
    tree.dir(dir);
    tree.link(device, dir + "/device");
    if (classLink) tree.link(dir, classEntry(cls, name));
    return dir;
}

std::string hexId(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06x\n", static_cast<unsigned>(id));
    return text;
}

// The remote port of a fabric server, as scsi_transport_fc.c shows it.
void writeRport(TreeWriter& tree, const KernelHost& host, const KernelRport& rport, unsigned minor) {
    const std::string device = host.device + "/" + rport.name;
    tree.dir(device);
    const std::string dir = classDevice(tree, device, "fc_remote_ports", rport.name);
    tree.file(dir + "/port_id", hexId(rport.portId));
    tree.file(dir + "/port_name", lowerHex(rport.portName) + "\n");
    tree.file(dir + "/node_name", lowerHex(rport.nodeName) + "\n");
    tree.file(dir + "/port_state", "Online\n");
    tree.file(dir + "/roles", rport.portId == 0xFFFFFC ? "Directory Server\n" : "Management Server\n");
    tree.file(dir + "/scsi_target_id", "-1\n");
    tree.file(dir + "/supported_classes", "Class 3\n");
    tree.file(dir + "/maxframe_size", "2048 bytes\n");
    tree.file(dir + "/dev_loss_tmo", "60\n");
    tree.file(dir + "/fast_io_fail_tmo", "off\n");
    tree.file(classDevice(tree, device, "bsg", rport.name) + "/dev", "254:" + std::to_string(minor) + "\n");
}

// FCoE: the net interface, with the controller directory the host's device sits in.
void writeNetInterface(TreeWriter& tree, const KernelHost& host) {
    const std::string net = std::string(kClassSeen) + "/net/" + host.ifname;
    tree.dir(net);
    tree.file(net + "/ifindex", std::to_string(host.number + 2) + "\n");
    tree.file(net + "/iflink", std::to_string(host.number + 2) + "\n");
    tree.link(std::string(kPciSeen) + "/" + host.pciAddress, net + "/device");
    tree.dir(net + "/ctlr_" + std::to_string(host.number));
}

void writeFcHost(TreeWriter& tree, const Model& model, KernelDriver driver, const KernelHost& host) {
    const Adapter& adapter = model.adapters[host.adapter];
    const AdapterPort& port = adapter.ports[host.port];
    const Fabric& fabric = model.fabrics[*port.fabric];
    const DriverLook& look = driverLook(driver);
    const std::string dir = classDevice(tree, host.device, "fc_host", "host" + std::to_string(host.number), false);
    tree.file(dir + "/port_name", lowerHex(port.wwn) + "\n");
    tree.file(dir + "/node_name", lowerHex(adapter.nodeWwn) + "\n");
    tree.file(dir + "/port_id", hexId(port.fcid));
    tree.file(dir + "/port_type", "NPort (fabric via point-to-point)\n");
    tree.file(dir + "/port_state", host.online ? "Online\n" : "Linkdown\n");
    tree.file(dir + "/speed", std::string(look.speed) + "\n");
    tree.file(dir + "/supported_speeds", std::string(look.speed) + "\n");
    tree.file(dir + "/maxframe_size", "2048 bytes\n");
    tree.file(dir + "/supported_fc4s", fc4Bits());
    tree.file(dir + "/active_fc4s", fc4Bits());
    tree.file(dir + "/fabric_name", lowerHex(fabric.name ? *fabric.name : 0) + "\n");
    tree.file(dir + "/supported_classes", "Class 3\n");
    tree.file(dir + "/symbolic_name", symbolicName(driver, host.ifname) + "\n");
}

void writeHost(TreeWriter& tree, const Model& model, KernelDriver driver, const KernelHost& host, unsigned& minor) {
    if (driverLook(driver).fcoe) writeNetInterface(tree, host);
    tree.dir(host.device);
    const std::string n = std::to_string(host.number);
    writeFcHost(tree, model, driver, host);
    tree.file(classDevice(tree, host.device, "scsi_host", "host" + n) + "/proc_name",
              std::string(driverLook(driver).procName) + "\n");
    tree.file(classDevice(tree, host.device, "bsg", "fc_host" + n) + "/dev", "254:" + n + "\n");
    for (const KernelRport& rport : host.rports) writeRport(tree, host, rport, minor++);
}

void writePciFunction(TreeWriter& tree, KernelDriver driver, const KernelHost& host) {
    const DriverLook& look = driverLook(driver);
    const std::string dir = std::string(kPciSeen) + "/" + host.pciAddress;
    char text[16];
    tree.dir(dir);
    tree.file(dir + "/config", pciConfig(look));
    std::snprintf(text, sizeof text, "0x%04x\n", look.pciVendor);
    tree.file(dir + "/vendor", text);
    tree.file(dir + "/subsystem_vendor", text);
    std::snprintf(text, sizeof text, "0x%04x\n", look.pciDevice);
    tree.file(dir + "/device", text);
    tree.file(dir + "/subsystem_device", "0x000c\n");
    std::snprintf(text, sizeof text, "0x%06x\n", static_cast<unsigned>(look.pciClass));
    tree.file(dir + "/class", text);
    tree.file(dir + "/revision", "0x01\n");
    tree.dir(dir + "/driver");
    tree.link(std::string("/sys/module/") + look.module, dir + "/driver/module");
}

// A server's names as a switch gives them: the fabric name's low 48 bits behind 0x20 and the
// server's address byte.
KernelRport serverRport(const Fabric& fabric, unsigned host, unsigned number, std::uint32_t id) {
    KernelRport rport;
    rport.name = "rport-" + std::to_string(host) + ":0-" + std::to_string(number);
    rport.portId = id;
    rport.nodeName = fabric.name ? *fabric.name : 0;
    rport.portName = (rport.nodeName & 0x0000FFFFFFFFFFFFull) | (0x20ull << 56) | (std::uint64_t(id & 0xFF) << 48);
    return rport;
}
}  // namespace

std::vector<KernelHost> kernelHosts(const Model& model, KernelDriver driver) {
    const bool fcoe = driverLook(driver).fcoe;
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
            const std::string n = std::to_string(host.number);
            char address[24];
            std::snprintf(address, sizeof address, "0000:%02x:%02x.0", 1 + host.number / 32, host.number % 32);
            host.pciAddress = address;
            host.pciFunction = !(fcoe && adapter.ports[p].failAttributes);
            host.online = fcoe || !adapter.ports[p].failAttributes;
            if (fcoe) host.ifname = "eth" + n;
            host.device = fcoe ? std::string(kClassSeen) + "/net/" + host.ifname + "/ctlr_" + n + "/host" + n
                               : std::string(kPciSeen) + "/" + host.pciAddress + "/host" + n;
            const std::vector<std::uint32_t> servers = serverRports(driver);
            for (std::size_t r = 0; r < servers.size(); ++r)
                host.rports.push_back(serverRport(model.fabrics[*adapter.ports[p].fabric], host.number,
                                                  static_cast<unsigned>(r), servers[r]));
            hosts.push_back(host);
        }
    }
    return hosts;
}

std::string writeSysfsTree(const Model& model, KernelDriver driver, const std::string& classDir,
                           const std::string& pciDir) {
    TreeWriter tree(classDir, pciDir);
    for (const char* sub : {"/fc_host", "/net", "/bsg", "/fc_remote_ports", "/scsi_host"}) tree.dir(kClassSeen + std::string(sub));
    // libhbalinux numbers its adapters in directory order: the host links are made in the
    // order that lists them in model order.
    const std::vector<KernelHost> hosts = kernelHosts(model, driver);
    const bool reverse = listsNewestFirst(classDir + "/fc_host");
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const KernelHost& host = hosts[reverse ? hosts.size() - 1 - i : i];
        const std::string name = "host" + std::to_string(host.number);
        tree.link(host.device + "/fc_host/" + name, classEntry("fc_host", name));
    }
    unsigned minor = static_cast<unsigned>(hosts.size());
    for (const KernelHost& host : hosts) {
        if (host.pciFunction) writePciFunction(tree, driver, host);
        writeHost(tree, model, driver, host, minor);
    }
    return tree.failure;
}

}  // namespace fabricsim
