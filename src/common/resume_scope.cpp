#include "common/resume_scope.h"

#include <exception>

namespace dv {

Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(err::OutOfMemory, ErrorText(err::OutOfMemory));
  } catch (const std::exception& e) {
    return Error(err::Application, e.what());
  } catch (...) {
    return Error(err::Application, ErrorText(err::Application));
  }
}

}  // namespace dv
