// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/garmin_device.h"

#include <cstring>

namespace trakor {

namespace {

// The element name without its namespace prefix.
std::string_view localName(std::string_view name) {
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string decodeEntities(std::string_view s) {
    static const struct {
        const char* entity;
        char ch;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        bool replaced = false;
        if (s[i] == '&') {
            for (const auto& e : kEntities) {
                if (s.substr(i, std::strlen(e.entity)) == e.entity) {
                    out += e.ch;
                    i += std::strlen(e.entity) - 1;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += s[i];
    }
    size_t b = out.find_first_not_of(" \t\r\n"), e = out.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : out.substr(b, e - b + 1);
}

TransferDirection directionOf(std::string_view text) {
    if (text == "InputToUnit") return TransferDirection::InputToUnit;
    if (text == "OutputFromUnit") return TransferDirection::OutputFromUnit;
    if (text == "InputOutput") return TransferDirection::InputOutput;
    return TransferDirection::Unknown;
}

bool endsWith(const std::vector<std::string_view>& stack, std::initializer_list<std::string_view> tail) {
    if (stack.size() < tail.size()) return false;
    size_t i = stack.size() - tail.size();
    for (std::string_view t : tail)
        if (stack[i++] != t) return false;
    return true;
}

// Walks the elements of the description, handing each leaf's text to the reader with the path
// of element names that leads to it.
class DescriptionReader {
public:
    explicit DescriptionReader(GarminDevice& d) : d_(d) {}

    void open(std::string_view name, std::string_view attributes) {
        stack_.push_back(localName(name));
        if (stack_.size() == 1 && stack_[0] == "Device") {
            sawDevice_ = true;
            if (attributes.find("xmlschemas/GarminDevice/v2") != std::string_view::npos) d_.schemaVersion = 2;
            if (attributes.find("xmlschemas/GarminDevice/v3") != std::string_view::npos) d_.schemaVersion = 3;
        }
        if (endsWith(stack_, {"DataType", "File"})) d_.files.push_back({dataType_, {}, {}, {}, {}});
    }

    void text(std::string_view raw) {
        if (stack_.empty()) return;
        const std::string t = decodeEntities(raw);
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
    }

    void close() {
        if (!stack_.empty() && stack_.back() == "DataType") dataType_.clear();
        if (!stack_.empty()) stack_.pop_back();
    }

    bool sawDevice() const { return sawDevice_; }

private:
    GarminDevice& d_;
    std::vector<std::string_view> stack_;
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

std::optional<GarminDevice> parseGarminDevice(std::string_view xml) {
    GarminDevice d;
    DescriptionReader reader(d);
    size_t i = 0;
    while (i < xml.size()) {
        size_t lt = xml.find('<', i);
        if (lt == std::string_view::npos) break;
        if (lt > i) reader.text(xml.substr(i, lt - i));
        if (xml.substr(lt, 4) == "<!--") {
            size_t end = xml.find("-->", lt + 4);
            if (end == std::string_view::npos) break;
            i = end + 3;
            continue;
        }
        if (xml.substr(lt, 9) == "<![CDATA[") {
            size_t end = xml.find("]]>", lt + 9);
            if (end == std::string_view::npos) break;
            reader.text(xml.substr(lt + 9, end - lt - 9));
            i = end + 3;
            continue;
        }
        size_t gt = xml.find('>', lt);
        if (gt == std::string_view::npos) break;
        std::string_view tag = xml.substr(lt + 1, gt - lt - 1);
        i = gt + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            reader.close();
            continue;
        }
        const bool selfClosing = tag.back() == '/';
        if (selfClosing) tag.remove_suffix(1);
        size_t nameEnd = tag.find_first_of(" \t\r\n");
        reader.open(tag.substr(0, nameEnd), nameEnd == std::string_view::npos ? std::string_view() : tag.substr(nameEnd));
        if (selfClosing) reader.close();
    }
    if (!reader.sawDevice()) return std::nullopt;
    return d;
}

}  // namespace trakor
