#pragma once
// One owner template for resources that are released by a single call: the
// traits name the value type, its empty value and how it is released.
//
//   struct traits {
//       using value_type = ...;
//       static value_type empty();
//       static bool is_empty(const value_type&);
//       static void release(value_type&) noexcept;
//   };
#include <utility>

namespace tw {

template <typename Traits>
class scoped_resource {
public:
    using value_type = typename Traits::value_type;

    scoped_resource() = default;
    explicit scoped_resource(value_type value) : value_(std::move(value)) {}
    scoped_resource(scoped_resource&& other) noexcept : value_(std::exchange(other.value_, Traits::empty())) {}
    scoped_resource& operator=(scoped_resource&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.value_, Traits::empty()));
        return *this;
    }
    scoped_resource(const scoped_resource&) = delete;
    scoped_resource& operator=(const scoped_resource&) = delete;
    ~scoped_resource() { reset(); }

    bool valid() const { return !Traits::is_empty(value_); }
    const value_type& get() const { return value_; }
    // For the functions that hand the resource back through an out-parameter.
    value_type* receive()
    {
        reset();
        return &value_;
    }
    // Releases what is held now and takes `value` instead.
    void reset(value_type value = Traits::empty())
    {
        if (valid())
            Traits::release(value_);
        value_ = std::move(value);
    }

private:
    value_type value_ = Traits::empty();
};

} // namespace tw
