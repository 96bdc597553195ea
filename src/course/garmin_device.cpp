// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/garmin_device.h"

#include "core/xml_reader.h"

namespace trakor {

namespace {

TransferDirection directionOf(std::string_view text) {
    if (text == "InputToUnit") return TransferDirection::InputToUnit;
    if (text == "OutputFromUnit") return TransferDirection::OutputFromUnit;
    if (text == "InputOutput") return TransferDirection::InputOutput;
    return TransferDirection::Unknown;
}

bool endsWith(const std::vector<std::string>& stack, std::initializer_list<std::string_view> tail) {
    if (stack.size() < tail.size()) return false;
    size_t i = stack.size() - tail.size();
    for (std::string_view t : tail)
        if (stack[i++] != t) return false;
    return true;
}

// Hands each leaf's text to the description with the path of element names that leads to it.
class DescriptionReader : public xml::Handler {
public:
    explicit DescriptionReader(GarminDevice& d) : d_(d) {}

    void start(std::string_view ns, std::string_view name, const xml::Attributes&) override {
        stack_.emplace_back(name);
        if (stack_.size() == 1 && name == "Device") {
            sawDevice_ = true;
            if (ns.find("xmlschemas/GarminDevice/v2") != std::string_view::npos) d_.schemaVersion = 2;
            if (ns.find("xmlschemas/GarminDevice/v3") != std::string_view::npos) d_.schemaVersion = 3;
        }
        if (endsWith(stack_, {"DataType", "File"})) d_.files.push_back({dataType_, {}, {}, {}, {}});
    }

    void end(std::string_view, std::string_view, std::string_view raw) override {
        const std::string t(xml::trim(raw));
        if (stack_.size() == 3 && endsWith(stack_, {"Device", "Model", "Description"})) d_.model = t;
        else if (stack_.size() == 3 && endsWith(stack_, {"Device", "Model", "PartNumber"})) d_.partNumber = t;
        else if (stack_.size() == 2 && endsWith(stack_, {"Device", "Id"})) d_.unitId = t;
        else if (endsWith(stack_, {"DataType", "Name"})) dataType_ = t;
        else if (endsWith(stack_, {"DataType", "File", "Location", "Path"}) && !d_.files.empty()) d_.files.back().path = t;
        else if (endsWith(stack_, {"DataType", "File", "Location", "BaseName"}) && !d_.files.empty())
            d_.files.back().baseName = t;
        else if (endsWith(stack_, {"DataType", "File", "Location", "FileExtension"}) && !d_.files.empty())
            d_.files.back().extension = t;
        else if (endsWith(stack_, {"DataType", "File", "TransferDirection"}) && !d_.files.empty())
            d_.files.back().direction = directionOf(t);
        if (stack_.back() == "DataType") dataType_.clear();
        stack_.pop_back();
    }

    bool sawDevice() const { return sawDevice_; }

private:
    GarminDevice& d_;
    std::vector<std::string> stack_;
    std::string dataType_;
    bool sawDevice_ = false;
};

}  // namespace

const DeviceFileKind* GarminDevice::input(std::string_view dataType) const {
    for (const DeviceFileKind& f : files)
        if (f.dataType == dataType && f.toUnit() && !f.path.empty()) return &f;
    return nullptr;
}

std::string GarminDevice::takes() const {
    std::string list;
    auto add = [&list](const char* what) { list += (list.empty() ? "" : ", ") + std::string(what); };
    if (fitCourses() != nullptr) add("FIT courses");
    if (tcxCourses() != nullptr) add("TCX courses");
    if (gpxData() != nullptr) add("GPX");
    if (list.empty() && listsFiles()) list = "no courses";
    return list;
}

std::vector<const DeviceFileKind*> GarminDevice::recordings() const {
    std::vector<const DeviceFileKind*> found;
    for (const DeviceFileKind& f : files) {
        if (!f.fromUnit() || f.path.empty()) continue;
        if (f.dataType == "FIT_TYPE_4" || f.dataType == "GPSData" || f.dataType == "FitnessHistory") found.push_back(&f);
    }
    return found;
}

std::optional<GarminDevice> parseGarminDevice(std::string_view text) {
    GarminDevice d;
    DescriptionReader reader(d);
    // A description that breaks off keeps what was read before the fault.
    (void)xml::parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), reader);
    if (!reader.sawDevice()) return std::nullopt;
    return d;
}

}  // namespace trakor
