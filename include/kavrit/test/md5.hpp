#pragma once

/// @file
/// The RFC 1321 MD5 test suite (appendix A.5) together with the hash property laws.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail::md5 {

/// One row of the RFC 1321 suite: the message as the chunks it is hashed in, and the digest in
/// hex.
struct Row {
  std::vector<ByteString> chunks;
  std::string digestHex;
};

/// The seven rows, in the RFC's order. The two longest messages are split after 32 bytes so that
/// the lazy path meets a chunk boundary inside a block.
const std::vector<Row>& rows();

/// The error text for a digest type whose parse rejects the 16 stored bytes of row `index`.
std::string parseRejectedMessage(std::size_t index);

}  // namespace detail::md5

/// Two trees: makeHashPropTests, then the group "MD5 KATs" of seven unit cases, all named
/// "md5KAT". Case i hashes its message as a lazy byte string and compares the digest with the
/// digest type's parse of the stored digest; its failure text begins with "md5KAT<i>". A parse
/// that gives nothing makes the case throw std::runtime_error. Building reads no files.
std::vector<Test> makeMD5Tests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
std::vector<Test> makeMD5Tests() {
  return makeMD5Tests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeMD5Tests(const D& /*digest*/) {
  return makeMD5Tests<D>();
}

}  // namespace kavrit::test
