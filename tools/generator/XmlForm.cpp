// The XML form, in UTF-8. What varies from record to record is taken from the record's
// number, not drawn, so that the records stay those of the other forms: the white space
// between elements, whether an empty field is <X/>, <X></X> or left out, and whether a
// '"' is written plain or as &quot;.
#include "tools/generator/FormWriter.h"
#include "tools/generator/Latin1.h"

#include <vector>

namespace leitzahl::generator {

namespace {


std::string Escaped(std::string_view text, bool quoteAsEntity)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += quoteAsEntity ? "&quot;" : "\""; break;
        default: out += c;
        }
    }
    return out;
}

// Built by appending: GCC 12 warns wrongly (-Wrestrict) about "<" + std::string.
std::string Tag(std::string_view opening, std::string_view name, std::string_view closing)
{
    std::string tag(opening);
    tag += name;
    tag += closing;
    return tag;
}

std::string Element(std::string_view name, std::string_view text)
{
    return Tag("<", name, ">") + std::string(text) + Tag("</", name, ">");
}

class XmlWriter : public FormWriter {
public:
    explicit XmlWriter(const Options& options) : extended_(options.extended) {}

    void head(LineOutput& out) override
    {
        out.line(R"(<?xml version="1.0" encoding="UTF-8"?>)");
        out.line(R"(<Document xmlns="urn:BBk:BLZ:xsd:BLZDat">)");
        out.line("  <FileHdr>");
        out.line("    " + Element("SndgInst", "Deutsche Bundesbank"));
        out.line("    " + Element("FileRef", "BLZ-2022-12-05"));
        out.line("    " + Element("FileCreDt", "2022-11-14"));
        out.line("    " + Element("ValidFrom", "2022-12-05"));
        out.line("    " + Element("ValidTill", "2023-03-05"));
        out.line("  </FileHdr>");
    }

    void record(LineOutput& out, const BankRecord& record) override
    {
        std::vector<std::string> children;
        for (const FieldLayout& field : FieldLayouts(extended_)) {
            const std::string& value = record.*field.value;
            if (!value.empty()) {
                children.push_back(Element(field.xmlName, Escaped(ToUtf8(value), record.number % 2 == 0)));
            } else if (record.number % 3 == 0) {
                children.push_back(Tag("<", field.xmlName, "/>"));
            } else if (record.number % 3 == 1) {
                children.push_back(Element(field.xmlName, ""));
            }
        }
        switch (record.number % 4) {
        case 0:  // straight after the element before, without any white space
            out.append("<BLZEintrag>" + Joined(children, "") + "</BLZEintrag>");
            break;
        case 1: Indented(out, children, "  "); break;
        case 2: Indented(out, children, "\t"); break;
        default: out.line("<BLZEintrag> " + Joined(children, " ") + " </BLZEintrag>");
        }
    }

    void tail(LineOutput& out) override { out.line("</Document>"); }

private:
    static std::string Joined(const std::vector<std::string>& parts, std::string_view between)
    {
        std::string text;
        for (const std::string& part : parts) {
            text += text.empty() ? "" : between;
            text += part;
        }
        return text;
    }

    static void Indented(LineOutput& out, const std::vector<std::string>& children, const std::string& indent)
    {
        out.line(indent + "<BLZEintrag>");
        for (const std::string& child : children) {
            out.line(indent + indent + child);
        }
        out.line(indent + "</BLZEintrag>");
    }

    bool extended_;
};

}  // namespace

std::unique_ptr<FormWriter> MakeXmlWriter(const Options& options)
{
    return std::make_unique<XmlWriter>(options);
}

}  // namespace leitzahl::generator
