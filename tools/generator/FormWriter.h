#pragma once

// Writes drawn records in one of the file's forms; the form changes only the bytes.
#include <memory>

#include "tools/generator/BankRecord.h"
#include "tools/generator/LineOutput.h"
#include "tools/generator/SortCodeFileGenerator.h"

namespace leitzahl::generator {

class FormWriter {
public:
    virtual ~FormWriter() = default;
    virtual void head(LineOutput&) {}
    virtual void record(LineOutput& out, const BankRecord& record) = 0;
    virtual void tail(LineOutput&) {}
};

std::unique_ptr<FormWriter> MakeTextWriter(const Options& options);
std::unique_ptr<FormWriter> MakeCsvWriter(const Options& options);
std::unique_ptr<FormWriter> MakeXmlWriter(const Options& options);

}  // namespace leitzahl::generator
