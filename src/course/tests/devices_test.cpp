// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/context.h"
#include "course/device_detection.h"
#include "platform/block_devices.h"
#include "platform/file_delivery.h"
#include "platform/mount_watcher.h"
#include "platform/mtp_mounts.h"
#include "platform/atomic_file.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;
using namespace trakor;
using trakor::test::TempDir;
using trakor::test::readFile;
using trakor::test::writeFile;

namespace {

const char* kEdge800Xml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Device><Model><PartNumber>006-B0817-00</PartNumber>"
    "<Description>EDGE 800</Description></Model></Device>\n";

// A fake sysfs, mount table and file tree in a temporary folder.
class FakeSystem {
public:
    FakeSystem() {
        roots.sysfs = dir.file("sys");
        roots.mountTable = dir.file("mountinfo");
        roots.fileRoot = dir.file("root");
        roots.gvfs = "/run/user/1000/gvfs";
        fs::create_directories(roots.sysfs + "/dev/block");
        fs::create_directories(roots.fileRoot);
        writeFile(roots.mountTable, "");
    }

    // A SCSI disk host:0:0:lun of a USB device; `type` is the SCSI peripheral type.
    void addDisk(int host, int lun, const std::string& name, bool removable = true, int type = 0) {
        std::string target = roots.sysfs + "/devices/pci0000:00/usb1/1-" + std::to_string(host) + "/host" +
                             std::to_string(host) + "/target" + std::to_string(host) + ":0:0";
        std::string scsiName = std::to_string(host) + ":0:0:" + std::to_string(lun);
        std::string disk = target + "/" + scsiName + "/block/" + name;
        fs::create_directories(disk);
        writeFile(target + "/" + scsiName + "/type", std::to_string(type) + "\n");
        writeFile(disk + "/removable", removable ? "1\n" : "0\n");
        fs::create_directory_symlink("../../../" + scsiName, disk + "/device");
        disks[name] = disk;
    }

    // Block device major:minor for the whole disk, or for a partition of it.
    void addNode(const std::string& disk, unsigned major, unsigned minor, const std::string& partition = "") {
        std::string target = disks.at(disk);
        if (!partition.empty()) {
            target += "/" + partition;
            fs::create_directories(target);
            writeFile(target + "/partition", "1\n");
        }
        fs::create_directory_symlink(target, roots.sysfs + "/dev/block/" + std::to_string(major) + ":" +
                                                 std::to_string(minor));
    }

    void mount(unsigned major, unsigned minor, const std::string& mountPoint, const std::string& escaped = "",
               const std::string& typeAndSource = "vfat /dev/sdx") {
        fs::create_directories(roots.fileRoot + mountPoint);
        mountinfo += "40 30 " + std::to_string(major) + ":" + std::to_string(minor) + " / " +
                     (escaped.empty() ? mountPoint : escaped) + " rw,nosuid - " + typeAndSource + " rw\n";
        writeFile(roots.mountTable, mountinfo);
    }

    // A storage folder of an MTP device, with a description file when `xml` is given.
    std::string mtpStorage(const std::string& folder, const std::string& xml = "") {
        fs::create_directories(roots.fileRoot + folder);
        if (!xml.empty()) putDescription(folder, xml);
        return folder + "/";
    }

    void unmountAll() {
        mountinfo.clear();
        writeFile(roots.mountTable, mountinfo);
    }

    void putDescription(const std::string& mountPoint, const std::string& xml) {
        fs::create_directories(roots.fileRoot + mountPoint + "/Garmin");
        writeFile(roots.fileRoot + mountPoint + "/Garmin/GarminDevice.xml", xml);
    }

    // An EDGE 800 as sdb (LUN 0) with its card slot as sdc (LUN 1).
    void edge800(bool cardInSlot) {
        addDisk(6, 0, "sdb");
        addNode("sdb", 8, 16);
        mount(8, 16, "/media/u/GARMIN");
        putDescription("/media/u/GARMIN", kEdge800Xml);
        addDisk(6, 1, "sdc");
        if (cardInSlot) {
            addNode("sdc", 8, 33, "sdc1");
            mount(8, 33, "/media/u/CARD");
        }
    }

    DeviceDetection detect() {
        DeviceDetection state;
        detectDevices(ctx, roots, state);
        return state;
    }

    TempDir dir;
    DeviceRoots roots;
    Context ctx;
    std::string mountinfo;
    std::map<std::string, std::string> disks;
};

std::vector<std::string> texts(const DeviceDetection& d) { return d.listTexts(); }

}  // namespace

TEST(MountTable, ParsesLinesUnescapesAndSkipsMalformed) {
    auto m = parseMountInfo(
        "22 1 0:21 / /proc rw - proc proc rw\n"
        "garbage line\n"
        "40 30 8:17 / /media/u/MY\\040GARMIN rw - vfat /dev/sdb1 rw\n"
        "41 30 x:1 / /bad rw - vfat /dev/sdc rw\n"
        "42 30 8:33 / /media/u/back\\134slash rw - vfat /dev/sdc1 rw\n"
        "43 30 8:49 / /trailing\\04 rw - vfat /dev/sdd1 rw\n"
        "44 30 8:65 / /cut\n");
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[1].major, 8u);
    EXPECT_EQ(m[1].minor, 17u);
    EXPECT_EQ(m[1].mountPoint, "/media/u/MY GARMIN");
    EXPECT_EQ(m[2].mountPoint, "/media/u/back\\slash");
    EXPECT_EQ(m[3].mountPoint, "/trailing\\04");
    EXPECT_EQ(m[1].fsType, "vfat");
    EXPECT_EQ(m[1].source, "/dev/sdb1");
    EXPECT_EQ(m[3].source, "/dev/sdd1");  // a line that ends before its file system is skipped

    // Optional fields before the separator; MTP file systems through FUSE.
    auto fuse = parseMountInfo("50 30 0:61 / /media/u/mtp rw shared:1 master:2 - fuse.jmtpfs jmtpfs rw\n"
                               "51 30 0:62 / /mnt/a rw - fuse simple-mtpfs rw\n"
                               "52 30 0:63 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                               "53 30 0:64 / /mnt/ssh rw - fuse.sshfs u@host: rw\n");
    ASSERT_EQ(fuse.size(), 4u);
    EXPECT_EQ(fuse[0].fsType, "fuse.jmtpfs");
    std::vector<bool> mtp;
    for (const auto& e : fuse) mtp.push_back(isFuseMtpMount(e));
    EXPECT_EQ(mtp, (std::vector<bool>{true, true, false, false}));
}

// The model of a description, in whatever form the file takes it.
std::string model(const std::string& inner, const std::string& prolog = "") {
    return readDeviceDescription(prolog + "<Device xmlns=\"http://www.garmin.com/xmlschemas/GarminDevice/v2\"><Model>" +
                                 inner + "</Model></Device>")
        .value_or("(none)");
}

TEST(DeviceDescription, ModelIsReadAsXml) {
    EXPECT_EQ(readDeviceDescription(kEdge800Xml).value(), "EDGE 800");
    EXPECT_EQ(model("<Description>n\xC3\xBCvi 255</Description>"), "n\xC3\xBCvi 255");
    // Bytes that are not UTF-8 in a file that names no encoding are Windows-1252.
    EXPECT_EQ(model("<Description>n\xFCvi</Description>"), "n\xC3\xBCvi");
    EXPECT_EQ(model("<Description>n\xFCvi</Description>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
              "n\xC3\xBCvi");
    EXPECT_EQ(model("<Description> Edge &amp; <![CDATA[<Go>]]> </Description>"), "Edge & <Go>");
    // A commented-out model is none, and only the model's Description names it.
    EXPECT_EQ(model("<!--<Description>Old</Description>--><Description>New</Description>"), "New");
    EXPECT_EQ(model("<PartNumber>006</PartNumber>"), "");
    // The same with a namespace prefix (as v3 files may be written).
    EXPECT_EQ(readDeviceDescription("<g:Device xmlns:g=\"http://www.garmin.com/xmlschemas/GarminDevice/v3\"><g:Model>"
                                    "<g:Description>fenix 6</g:Description></g:Model></g:Device>")
                  .value(),
              "fenix 6");
    EXPECT_FALSE(readDeviceDescription("<Model>EDGE</Model>").has_value());
}

TEST(DeviceDescription, LongNameIsCutAtCharacterBoundary) {
    std::string name = "A";
    for (int i = 0; i < 100; ++i) name += "\xC3\xBC";
    std::string d = model("<Description>" + name + "</Description>");
    EXPECT_EQ(d.size(), 127u);  // "A" and 63 two-byte characters
    EXPECT_EQ(d, name.substr(0, 127));
}

TEST(DeviceDetection, Edge800WithCard) {
    FakeSystem sys;
    sys.edge800(true);
    auto d = sys.detect();
    EXPECT_TRUE(d.connected);
    EXPECT_EQ(texts(d), (std::vector<std::string>{"/media/u/GARMIN/EDGE 800", "/media/u/CARD/ SD-card"}));
    EXPECT_EQ(d.deviceRoot, "/media/u/GARMIN/");
    EXPECT_EQ(d.selectedRoot, "/media/u/GARMIN/");
    EXPECT_EQ(d.selected, 0);
    EXPECT_EQ(d.description, "EDGE 800");
    EXPECT_EQ(d.cardText, "SD-card");

    pickDeviceEntry(d, 1);
    EXPECT_EQ(d.selectedRoot, "/media/u/CARD/");
    pickDeviceEntry(d, 7);  // out of range: unchanged
    EXPECT_EQ(d.selectedRoot, "/media/u/CARD/");

    DetectedDevice forDriver = detectedDevice(d);
    EXPECT_TRUE(forDriver.connected);
    EXPECT_EQ(forDriver.root, "/media/u/GARMIN/");
    EXPECT_EQ(forDriver.deviceList, texts(d));
}

TEST(DeviceDetection, EmptyCardSlotAndTranslatedTexts) {
    FakeSystem sys;
    sys.edge800(false);
    auto d = sys.detect();
    EXPECT_EQ(texts(d), (std::vector<std::string>{"/media/u/GARMIN/EDGE 800", "/dev/sdc No SD-card"}));
    pickDeviceEntry(d, 1);
    EXPECT_EQ(d.selectedRoot, "/dev/sdc");
    EXPECT_FALSE(volumeAnswers(d.selectedRoot));  // the driver finds nothing to write to

    struct Dutch : TextLookup {
        std::string lookup(std::string_view key, size_t) const override {
            return key == "$MSG46" ? "Geen SD-kaart" : key == "$MSG47" ? "GPS niet gevonden" : "";
        }
    } dutch;
    sys.ctx.settings.Language = 2;
    sys.ctx.texts = &dutch;
    EXPECT_EQ(sys.detect().entries.back().text, "/dev/sdc Geen SD-kaart");
    sys.unmountAll();
    EXPECT_EQ(texts(sys.detect()), std::vector<std::string>{"GPS niet gevonden"});
}

TEST(DeviceDetection, PlainUsbStickOpticalDriveAndFixedDiskAreNoDevices) {
    FakeSystem sys;
    sys.addDisk(3, 0, "sda", false);  // a fixed disk that holds the file
    sys.addNode("sda", 8, 1, "sda1");
    sys.mount(8, 1, "/");
    sys.putDescription("", kEdge800Xml);
    sys.addDisk(4, 0, "sr0", true, 5);  // optical drive with the file
    sys.addNode("sr0", 11, 0);
    sys.mount(11, 0, "/media/u/CDROM");
    sys.putDescription("/media/u/CDROM", kEdge800Xml);
    sys.addDisk(5, 0, "sdb");  // USB stick without the file
    sys.addNode("sdb", 8, 17, "sdb1");
    sys.mount(8, 17, "/media/u/STICK");
    sys.mount(0, 44, "/run/user/1000");  // not a block device
    sys.addDisk(7, 0, "sdf");                // a folder where the file should be
    sys.addNode("sdf", 8, 81);
    sys.mount(8, 81, "/media/u/ODD");
    fs::create_directories(sys.roots.fileRoot + "/media/u/ODD/Garmin/GarminDevice.xml");

    auto d = sys.detect();
    EXPECT_FALSE(d.connected);
    EXPECT_EQ(texts(d), std::vector<std::string>{"GPS not found"});
    EXPECT_EQ(d.selectedRoot, "");
    EXPECT_EQ(d.selected, 0);
}

TEST(DeviceDetection, TwoDevicesOnlyFirstListedAndOthersCardIgnored) {
    FakeSystem sys;
    sys.addDisk(5, 0, "sde");
    sys.addNode("sde", 8, 65, "sde1");
    sys.mount(8, 65, "/media/u/FR");
    sys.putDescription("/media/u/FR", "<Device><Model><Description>Forerunner 305</Description></Model></Device>");
    sys.edge800(true);
    auto d = sys.detect();
    ASSERT_TRUE(d.connected);
    // The EDGE's card belongs to another USB device and is not offered.
    EXPECT_EQ(texts(d), std::vector<std::string>{"/media/u/FR/Forerunner 305"});
}

TEST(DeviceDetection, Utf8DescriptionAndMissingElement) {
    FakeSystem sys;
    sys.addDisk(2, 0, "sdd");
    sys.addNode("sdd", 8, 48);
    sys.mount(8, 48, "/media/u/NUVI 255", "/media/u/NUVI\\040255");
    sys.putDescription("/media/u/NUVI 255", "<?xml version=\"1.0\"?><Device><Model><Description>n\xC3\xBCvi 255</Description></Model></Device>");
    auto d = sys.detect();
    EXPECT_EQ(texts(d), std::vector<std::string>{"/media/u/NUVI 255/n\xC3\xBCvi 255"});

    // Without the element the device still counts, with an empty name (not the last run's).
    sys.putDescription("/media/u/NUVI 255", "<Device/>");
    d = sys.detect();
    EXPECT_TRUE(d.connected);
    EXPECT_EQ(texts(d), std::vector<std::string>{"/media/u/NUVI 255/"});
}

TEST(DeviceDetection, UnplugThenReplugIsSeenByWatcher) {
    FakeSystem sys;
    sys.edge800(true);
    MountWatcher watcher(sys.roots.mountTable, sys.roots.file(sys.roots.gvfs));
    EXPECT_FALSE(watcher.changed(0));
    EXPECT_TRUE(sys.detect().connected);

    sys.unmountAll();
    EXPECT_TRUE(watcher.changed(0));
    EXPECT_FALSE(watcher.changed(0));  // reported once
    EXPECT_EQ(texts(sys.detect()), std::vector<std::string>{"GPS not found"});
    EXPECT_FALSE(isMountAccessible(sys.roots, "/media/u/GARMIN/"));

    sys.mount(8, 16, "/media/u/GARMIN");
    EXPECT_TRUE(watcher.changed(0));
    EXPECT_TRUE(sys.detect().connected);
    EXPECT_TRUE(isMountAccessible(sys.roots, "/media/u/GARMIN/"));
    EXPECT_TRUE(isMountAccessible(sys.roots, "/media/u/GARMIN"));
}

TEST(DeviceDetection, MtpDevicesThroughGvfsAndFuse) {
    const std::string edge830 = "<Device><Model><Description>Edge 830</Description></Model></Device>";
    const std::string gvfs = "/run/user/1000/gvfs/";
    {
        // gvfs: the storage holding the description is the device, the other storage its card;
        // other gvfs mounts and MTP devices without the file do not count.
        FakeSystem sys;
        sys.mtpStorage(gvfs + "smb-share:server=nas,share=gps", kEdge800Xml);
        sys.mtpStorage(gvfs + "mtp:host=04e8_6860_R58M");  // a phone
        sys.mtpStorage(gvfs + "mtp:host=04e8_6860_R58M/Phone");
        std::string internal = sys.mtpStorage(gvfs + "mtp:host=091e_4c9a_0000c1a2/Internal Storage", edge830);
        std::string card = sys.mtpStorage(gvfs + "mtp:host=091e_4c9a_0000c1a2/SD Card");
        auto d = sys.detect();
        EXPECT_TRUE(d.connected);
        EXPECT_EQ(texts(d), (std::vector<std::string>{internal + "Edge 830", card + " SD-card"}));
        EXPECT_EQ(d.deviceRoot, internal);
        EXPECT_EQ(d.selectedRoot, internal);
        pickDeviceEntry(d, 1);
        EXPECT_EQ(d.selectedRoot, card);

        // A device in mass-storage mode comes first.
        sys.edge800(false);
        EXPECT_EQ(sys.detect().deviceRoot, "/media/u/GARMIN/");
    }
    {
        // FUSE mounts: jmtpfs shows storages as folders, simple-mtpfs one storage directly; other
        // FUSE file systems are no MTP devices.
        FakeSystem sys;
        sys.mount(0, 60, "/mnt/ssh", "", "fuse.sshfs u@host:");
        sys.putDescription("/mnt/ssh", kEdge800Xml);
        sys.mount(0, 61, "/media/u/mtp", "", "fuse.jmtpfs jmtpfs");
        std::string internal = sys.mtpStorage("/media/u/mtp/Internal storage", edge830);
        EXPECT_EQ(texts(sys.detect()), std::vector<std::string>{internal + "Edge 830"});

        sys.unmountAll();
        sys.mount(0, 62, "/mnt/fr", "", "fuse simple-mtpfs");
        sys.putDescription("/mnt/fr", "<Device><Model><Description>Forerunner 945</Description></Model></Device>");
        sys.mtpStorage("/mnt/fr/Music");
        auto d = sys.detect();
        EXPECT_EQ(texts(d), std::vector<std::string>{"/mnt/fr/Forerunner 945"});
        EXPECT_EQ(d.deviceRoot, "/mnt/fr/");
    }
}

// A unit that writes its folders in upper case (as MTP watches do) is found, and its entry says
// what it takes.
TEST(DeviceDetection, UpperCaseFoldersAndWhatTheUnitTakes) {
    const std::string xml = readFile(trakor::test::sharedFile("devices/forerunner-935/GARMIN/GarminDevice.xml"));
    if (xml.empty()) GTEST_SKIP() << "shared device folders not present";
    FakeSystem sys;
    const std::string storage = sys.mtpStorage("/run/user/1000/gvfs/mtp:host=091e_4b48_0000c3a5/Primary");
    fs::create_directories(sys.roots.file(storage + "GARMIN"));
    writeFile(sys.roots.file(storage + "GARMIN/GarminDevice.xml"), xml);
    auto d = sys.detect();
    EXPECT_EQ(texts(d), std::vector<std::string>{storage + "Forerunner 935: FIT courses, GPX"});
    const DetectedDevice dev = detectedDevice(d);
    ASSERT_TRUE(dev.description.has_value());
    ASSERT_NE(dev.description->fitCourses(), nullptr);
    EXPECT_EQ(dev.description->fitCourses()->path, "GARMIN/NEWFILES");
}

TEST(DeviceDetection, WatcherSeesMtpDevicesComeAndGo) {
    FakeSystem sys;
    MountWatcher watcher(sys.roots.mountTable, sys.roots.file(sys.roots.gvfs));
    sys.mtpStorage("/run/user/1000/gvfs/smb-share:server=nas");
    EXPECT_FALSE(watcher.changed(0));
    sys.mtpStorage("/run/user/1000/gvfs/mtp:host=091e_4c9a/Internal Storage");
    EXPECT_TRUE(watcher.changed(0));
    fs::remove_all(sys.roots.file("/run/user/1000/gvfs/mtp:host=091e_4c9a"));
    EXPECT_TRUE(watcher.changed(0));
}
