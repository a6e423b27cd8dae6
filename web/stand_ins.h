#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorn {

// Lets text read through the CP932 engine come out in UTF-8 exactly as the page had it. Each
// character of a page that code page 932 would not give back unchanged (emoji, ő, a wave dash
// that comes back as a full-width tilde, private-use characters of the page itself) is replaced
// by a private-use character of CP932's user-defined area, which the engine carries through
// like any other two-byte character; Restore puts the originals back. One object per page.
class StandIns {
public:
    // utf8 with every such character replaced by its stand-in. Malformed bytes stay as they are.
    std::string Replace(std::string_view utf8);
    // What Replace does but the copy: AnyLost and CountLost answer as after Replace.
    void Scan(std::string_view utf8);
    // CP932 text made from Replace's output, as UTF-8 with the originals in place.
    std::string Restore(std::string_view cp932) const;
    // CP932 text made from Replace's output, each stand-in written as the numeric character
    // reference of its original ("&#128512;"): text that keeps every character in code page 932,
    // for what is stored and compared, and that ShownText turns back into the characters.
    std::string Referenced(std::string_view cp932) const;
    // CP932 text made from Replace's output as the conversion would have written the originals:
    // the text of the page converted without stand-ins ("?" for what code page 932 lacks).
    std::string Converted(std::string_view cp932) const;
    // Referenced's text with its references back as characters, as a crawl's CSV has them: in
    // UTF-8 (the rest converted), or in code page 932 as the conversion writes them ("?"). A
    // reference to a character CP932 keeps is text of the page and stays as it is.
    static std::string Unreferenced(std::string_view cp932, bool toUtf8);
    // How many stand-ins in cp932 hold characters that UTF8ToAnsi writes as "?".
    int CountLost(std::string_view cp932) const;
    // True when Replace met a character that UTF8ToAnsi writes as "?".
    bool AnyLost() const { return anyLost_; }
    // True when Replace or Scan met any character to replace.
    bool AnyReplaced() const { return !originals_.empty(); }

    // The user-defined area holds this many stand-ins whose trail byte is not ASCII; a page
    // with more distinct characters to replace keeps the rest as the table converts them.
    static constexpr std::size_t kCapacity = 10 * 125;

private:
    struct Original {
        std::string utf8;
        bool lost = false;
    };

    void Walk(std::string_view utf8, std::string* out);
    enum class As { Utf8, References, Cp932 };
    std::string Rewrite(std::string_view cp932, As as) const;
    // The stand-in's index for the original, or kCapacity when none is left.
    std::size_t StandInFor(std::string_view original);

    std::vector<Original> originals_;
    std::unordered_map<std::string, std::size_t> indexOf_;
    bool anyLost_ = false;
};

} // namespace vorn
