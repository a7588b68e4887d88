// The test seams. A seam is a process-wide value beside the call that Wine
// can't vary or that is slow: a number (-1 asks the system; 0 or 1 is the
// answer instead) or a hook (null calls the system). Its default always makes
// the real call. Tests replace one for a scope:
//
//   ScopedOverride<int> native32(g_native32_for_testing, 1);
//
// and the value it had comes back when the scope ends, so seams nest.
#ifndef QUILLON_SUPPORT_SCOPED_OVERRIDE_H_
#define QUILLON_SUPPORT_SCOPED_OVERRIDE_H_

namespace quillon {

// Sets |slot| to |value| for its lifetime and puts the earlier value back.
// |slot| must outlive the object.
template <typename T>
class ScopedOverride {
 public:
  ScopedOverride(T& slot, T value) : slot_(slot), previous_(slot) { slot_ = value; }
  ~ScopedOverride() { slot_ = previous_; }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  T& slot_;
  T previous_;
};

}  // namespace quillon

#endif  // QUILLON_SUPPORT_SCOPED_OVERRIDE_H_
