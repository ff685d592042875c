// The CSV form: a header, then each field trimmed, in double quotes unless empty.
#include "tools/generator/FormWriter.h"
#include "tools/generator/Latin1.h"

namespace leitzahl::generator {

namespace {

class CsvWriter : public FormWriter {
public:
    explicit CsvWriter(const Options& options) : extended_(options.extended), utf8_(options.utf8) {}

    void head(LineOutput& out) override
    {
        std::string line;
        for (const FieldLayout& field : FieldLayouts(extended_)) {
            line += line.empty() ? "" : ";";
            line += field.csvName;
        }
        out.line(utf8_ ? line : ToLatin1(line));
    }

    void record(LineOutput& out, const BankRecord& record) override
    {
        std::string line;
        bool first = true;
        for (const FieldLayout& field : FieldLayouts(extended_)) {
            line += first ? "" : ";";
            first = false;
            if (!(record.*field.value).empty()) {
                line += Quoted(record.*field.value);
            }
        }
        out.line(utf8_ ? ToUtf8(line) : line);
    }

private:
    static std::string Quoted(std::string_view value)
    {
        std::string text = "\"";
        for (const char c : value) {
            if (c == '"') {
                text += '"';
            }
            text += c;
        }
        return text + '"';
    }

    bool extended_;
    bool utf8_;
};

}  // namespace

std::unique_ptr<FormWriter> MakeCsvWriter(const Options& options)
{
    return std::make_unique<CsvWriter>(options);
}

}  // namespace leitzahl::generator
