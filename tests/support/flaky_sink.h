#pragma once
// A recording's file that fails on request, and otherwise is the real one.
#include <memory>
#include <string>

#include "core/recording/recording.h"

namespace qv::test {

struct FlakySink : qv::recording::RecordingSink {
    std::unique_ptr<qv::recording::RecordingSink> file = qv::recording::makeFileSink();
    int failCreate = 0, failAppend = 0;  // the errno to fail with; 0: write
    int create(const std::string& p, const std::string& b, bool exclusive) override {
        return failCreate ? failCreate : file->create(p, b, exclusive);
    }
    int append(const std::string& b) override { return failAppend ? failAppend : file->append(b); }
    void close() override { file->close(); }
};

}  // namespace qv::test
