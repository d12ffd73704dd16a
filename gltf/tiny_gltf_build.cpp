// tinygltf's and stb_image's code, compiled here once; every other file sees their declarations
// only. The defines that must agree (no exceptions, no image writing, no files or images of
// tinygltf's own) come from the build.
#define TINYGLTF_IMPLEMENTATION
// Its writing code names file streams even without its own files; nothing calls it, so none of
// it is linked.
#include <fstream>
#include <string>
#include <type_traits>

namespace skin_gltf {

// What tinygltf makes its error and warning messages with, in place of std::stringstream: text,
// numbers and line ends appended to a string. A C++ stream brings the whole of the C++ locale
// with it (every facet, numbers, money and times in every form), about a third of the code the
// loader adds to the page, only for these messages. It prints what they print the same way; a
// kind of value it cannot print (a float, say) fails to compile rather than print differently.
class MessageStream {
public:
    MessageStream &operator<<(const std::string &text) {
        out += text;
        return *this;
    }
    MessageStream &operator<<(const char *text) {
        out += text;
        return *this;
    }
    MessageStream &operator<<(char c) {
        out += c;
        return *this;
    }
    // Whole numbers wider than a character (a stream prints a char, signed or not, as itself
    // and a bool as 0 or 1; the messages stream none of them).
    template <typename T, typename = std::enable_if_t<std::is_integral<T>::value && (sizeof(T) > 1)>>
    MessageStream &operator<<(T number) {
        out += std::to_string(number);
        return *this;
    }
    // std::endl, the one manipulator the messages use. Always inlined, so that nothing calls
    // through the pointer it is passed and the stream's own endl (with its flush, its sentry,
    // its locale) is not linked.
    __attribute__((always_inline)) MessageStream &operator<<(std::ostream &(*)(std::ostream &)) {
        out += '\n';
        return *this;
    }
    const std::string &str() const { return out; }

private:
    std::string out;
};

} // namespace skin_gltf

// tinygltf's code names std:: from inside its own namespace, so a namespace std declared in it
// comes first: std::stringstream there is the class above, and every other name is the
// library's own (the using-directive), with the same types the loader's files see.
namespace tinygltf {
namespace std {
using namespace ::std;
using stringstream = ::skin_gltf::MessageStream;
} // namespace std
} // namespace tinygltf

#include <tiny_gltf.h>

#define STB_IMAGE_IMPLEMENTATION
// Only the formats a model's base colour is expected in, as 8-bit pixels from memory: the rest
// would be dead weight in the page's download.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_LINEAR
#define STBI_NO_STDIO
#include <stb_image.h>
