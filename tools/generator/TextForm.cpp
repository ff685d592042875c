// The fixed-width form: every field padded with spaces to its width.
#include "tools/generator/FormWriter.h"
#include "tools/generator/Latin1.h"

namespace leitzahl::generator {

namespace {

class TextWriter : public FormWriter {
public:
    explicit TextWriter(const Options& options) : extended_(options.extended), utf8_(options.utf8) {}

    void record(LineOutput& out, const BankRecord& record) override
    {
        std::string line;
        for (const FieldLayout& field : FieldLayouts(extended_)) {
            line += record.*field.value;
            line.resize(line.size() + field.width - (record.*field.value).size(), ' ');
        }
        out.line(utf8_ ? ToUtf8(line) : line);
    }

private:
    bool extended_;
    bool utf8_;
};

}  // namespace

std::unique_ptr<FormWriter> MakeTextWriter(const Options& options)
{
    return std::make_unique<TextWriter>(options);
}

}  // namespace leitzahl::generator
