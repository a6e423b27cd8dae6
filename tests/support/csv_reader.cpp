#include "tests/support/csv_reader.h"

namespace vorn::test {

namespace {

class CsvParser {
public:
    explicit CsvParser(std::string_view bytes) : bytes_(bytes) {}

    CsvParse Run() {
        CsvParse parse;
        while (pos_ < bytes_.size() && error_.empty()) {
            CsvRecord record = Record();
            if (error_.empty()) {
                parse.records.push_back(std::move(record));
            }
        }
        parse.error = error_;
        return parse;
    }

private:
    // One record up to and including its CR LF.
    CsvRecord Record() {
        CsvRecord record;
        for (;;) {
            record.push_back(Field());
            if (!error_.empty()) {
                return record;
            }
            if (pos_ >= bytes_.size()) {
                Fail("the last record has no CR LF");
                return record;
            }
            if (bytes_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (bytes_.substr(pos_, 2) == "\r\n") {
                pos_ += 2;
                return record;
            }
            Fail("a field is followed by neither a comma nor CR LF");
            return record;
        }
    }

    std::string Field() {
        if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
            return QuotedField();
        }
        const std::size_t end = bytes_.find_first_of(",\r\n\"", pos_);
        const std::size_t stop = end == std::string_view::npos ? bytes_.size() : end;
        std::string field(bytes_.substr(pos_, stop - pos_));
        pos_ = stop;
        if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
            Fail("a quote inside an unquoted field");
        } else if (pos_ < bytes_.size() && bytes_.substr(pos_, 2) != "\r\n" && bytes_[pos_] != ',') {
            Fail("a bare CR or LF");
        }
        return field;
    }

    std::string QuotedField() {
        std::string field;
        ++pos_;
        for (;;) {
            const std::size_t quote = bytes_.find('"', pos_);
            if (quote == std::string_view::npos) {
                Fail("a quoted field that never closes");
                return field;
            }
            field.append(bytes_.substr(pos_, quote - pos_));
            pos_ = quote + 1;
            if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
                field += '"';
                ++pos_;
                continue;
            }
            return field;
        }
    }

    void Fail(const std::string& what) {
        if (error_.empty()) {
            error_ = what + " at byte " + std::to_string(pos_);
        }
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::string error_;
};

} // namespace

CsvParse ParseCsv(std::string_view bytes) { return CsvParser(bytes).Run(); }

} // namespace vorn::test
