#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "runtime/Message.h"

namespace {

using runtime::Class;
using runtime::Imp;
using runtime::Object;

// An instance that keeps the calls its methods record, in order.
class Recorder : public Object {
 public:
  explicit Recorder(Class& cls) : Object(cls) {}
  std::vector<std::string> calls;
};

void record(Object& self, const std::string& entry) {
  static_cast<Recorder&>(self).calls.push_back(entry);
}

// Error lines logged since the last call, without their "[tag: file:line]"
// prefix and with addresses blanked.
std::vector<std::string> takeLoggedMessages() {
  std::vector<std::string> messages;
  for (const std::string& line : foundation::loggedLines()) {
    std::string message = std::regex_replace(line, std::regex(R"(^\[runtime: \w+\.cc:\d+\] )"), "");
    messages.push_back(std::regex_replace(message, std::regex("0x[0-9a-f]+"), "0x…"));
  }
  foundation::clearLoggedLines();
  return messages;
}

TEST(RuntimeTest, ClassesAreFoundByNameOnceRegistered) {
  foundation::clearLoggedLines();
  EXPECT_EQ(runtime::getClass("RuntimeTestNeverRegistered"), nullptr);
  EXPECT_EQ(runtime::getClass(""), nullptr);
  Class& base = runtime::registerClass("RuntimeTestLookupBase");
  Class& derived = runtime::registerClass("RuntimeTestLookup", base);
  EXPECT_EQ(runtime::getClass("RuntimeTestLookup"), &derived);
  EXPECT_EQ(derived.superclass(), &base);
  EXPECT_EQ(base.superclass(), &runtime::rootClass());
  // A host registering its class again gets the same class, methods kept.
  ASSERT_TRUE(runtime::addMethod<int>(&derived, "answer", [](Object&) { return 42; }));
  Object instance(runtime::registerClass("RuntimeTestLookup", base));
  EXPECT_EQ(runtime::send<int>(instance, "answer"), 42);
  // Asking for another superclass is a mistake that is logged.
  EXPECT_EQ(&runtime::registerClass("RuntimeTestLookup"), &derived);
  EXPECT_EQ(takeLoggedMessages(),
            std::vector<std::string>{"ERROR: class RuntimeTestLookup is already registered under "
                                     "RuntimeTestLookupBase, not Object"});
}

TEST(RuntimeTest, AddMethodAddsOnlyWhatTheClassDoesNotHaveItself) {
  foundation::clearLoggedLines();
  Class& base = runtime::registerClass("RuntimeTestAddBase");
  Class& derived = runtime::registerClass("RuntimeTestAddDerived", base);
  ASSERT_TRUE(
      runtime::addMethod<std::string>(&base, "speak", [](Object&) { return "base speak"; }));
  ASSERT_TRUE(runtime::addMethod<std::string>(&derived, "own", [](Object&) { return "own"; }));

  struct Case {
    Class* cls;
    const char* selector;
    bool added;
    const char* derivedAnswers;  // what an instance of the derived class answers then
  };
  const Case cases[] = {
      {&derived, "own", false, "own"},           // the class has it: kept
      {&derived, "speak", true, "added speak"},  // inherited only: overridden
      {&derived, "fresh", true, "added fresh"},  // new
      {nullptr, "other", false, ""},             // absent class: nothing added
  };
  Object instance(derived);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    std::string text = std::string("added ") + c.selector;
    EXPECT_EQ(runtime::addMethod<std::string>(c.cls, c.selector, [text](Object&) { return text; }),
              c.added);
    EXPECT_EQ(runtime::send<std::string>(instance, c.selector), c.derivedAnswers);
  }
  Object baseInstance(base);
  EXPECT_EQ(runtime::send<std::string>(baseInstance, "speak"), "base speak");
  EXPECT_EQ(
      takeLoggedMessages(),
      std::vector<std::string>{
          "ERROR: -[RuntimeTestAddDerived other]: unrecognized selector sent to instance 0x…"});
}

// A replacement in a class that only inherits the method calls, as its
// original, whatever the superclass has at the time of the call.
TEST(RuntimeTest, HookOfAnInheritedMethodCallsTheSuperclassAsItIsNow) {
  Class& base = runtime::registerClass("RuntimeTestHookBase");
  Class& derived = runtime::registerClass("RuntimeTestHookDerived", base);
  ASSERT_TRUE((runtime::addMethod<void, std::string>(
      &base, "greet:", [](Object& self, const std::string& who) { record(self, "base " + who); })));

  static runtime::Original<void, std::string> derivedOriginal;
  ASSERT_TRUE(runtime::hookMessage(
      &derived, "greet:",
      [](Object& self, const std::string& who) {
        record(self, "derived hook " + who);
        derivedOriginal(self, who);
      },
      &derivedOriginal));
  static runtime::Original<void, std::string> baseOriginal;
  ASSERT_TRUE(runtime::hookMessage(
      &base, "greet:",
      [](Object& self, const std::string& who) {
        record(self, "base hook " + who);
        baseOriginal(self, who);
      },
      &baseOriginal));

  Recorder derivedInstance(derived);
  runtime::send<void>(derivedInstance, "greet:", "ann");
  EXPECT_EQ(derivedInstance.calls,
            (std::vector<std::string>{"derived hook ann", "base hook ann", "base ann"}));
  Recorder baseInstance(base);
  runtime::send<void>(baseInstance, "greet:", "bo");
  EXPECT_EQ(baseInstance.calls, (std::vector<std::string>{"base hook bo", "base bo"}));
}

// Wrong types and absent receivers or methods run nothing; the mistakes are
// logged, a nil receiver is not.
TEST(RuntimeTest, SendsAndHooksThatDoNotFitRunNothingAndSayWhy) {
  Class& cls = runtime::registerClass("RuntimeTestMismatch");
  ASSERT_TRUE((runtime::addMethod<void, int>(
      &cls, "play:", [](Object& self, int n) { record(self, "play " + std::to_string(n)); })));
  Recorder instance(cls);
  foundation::clearLoggedLines();

  runtime::send<void>(instance, "play:", 1.5);                     // a double is not an int
  EXPECT_EQ(runtime::send<int>(instance, "play:", 1), 0);          // nor is the return type
  runtime::send<void>(instance, "stop:", 1);                       // no such method
  runtime::send<void>(static_cast<Object*>(nullptr), "play:", 1);  // nil: nothing at all
  EXPECT_EQ(runtime::send<int>(cls, "count"), 0);                  // no class method
  runtime::Original<void, std::string> original;
  EXPECT_FALSE(runtime::hookMessage(
      &cls, "play:", [](Object& self, const std::string&) { record(self, "hooked"); }, &original));
  EXPECT_FALSE(runtime::hookMessage(
      &cls, "stop:", [](Object& self, const std::string&) { record(self, "hooked"); }, &original));
  EXPECT_FALSE(runtime::hookMessage(
      nullptr, "play:", [](Object& self, const std::string&) { record(self, "hooked"); },
      &original));
  EXPECT_FALSE(runtime::hookMessage(&cls, "play:", Imp<void, int>(),
                                    static_cast<runtime::Original<void, int>*>(nullptr)));
  EXPECT_FALSE((runtime::addMethod<void, double>(
      &runtime::registerClass("RuntimeTestMismatchSub", cls), "play:", [](Object&, double) {})));
  EXPECT_FALSE(original);

  runtime::send<void>(instance, "play:", 2);
  EXPECT_EQ(instance.calls, std::vector<std::string>{"play 2"});
  EXPECT_EQ(
      takeLoggedMessages(),
      (std::vector<std::string>{
          "ERROR: send of -[RuntimeTestMismatch play:] takes void (*)(int), sent as void "
          "(*)(double)",
          "ERROR: send of -[RuntimeTestMismatch play:] takes void (*)(int), sent as int (*)(int)",
          "ERROR: -[RuntimeTestMismatch stop:]: unrecognized selector sent to instance 0x…",
          "ERROR: +[RuntimeTestMismatch count]: unrecognized selector sent to class 0x…",
          "ERROR: replacement of -[RuntimeTestMismatch play:] takes void (*)(int), given void "
          "(*)(std::string)",
          "ERROR: replacement of -[RuntimeTestMismatch stop:]: no such method",
          "ERROR: addition of -[RuntimeTestMismatchSub play:] takes void (*)(int), given void "
          "(*)(double)",
      }));
}

TEST(RuntimeTest, ClassMethodsLiveOnTheMetaclass) {
  Class& cls = runtime::registerClass("RuntimeTestController");
  static Object shared(cls);
  ASSERT_TRUE(runtime::addMethod<Object*>(&cls.metaclass(), "sharedInstance",
                                          [](Object&) { return &shared; }));
  ASSERT_TRUE((runtime::addMethod<void, int, long>(
      &cls, "changeTrack:eventSource:", [](Object&, int, long) {})));
  Object* instance =
      runtime::send<Object*>(runtime::getClass("RuntimeTestController"), "sharedInstance");
  EXPECT_EQ(instance, &shared);

  struct Case {
    const Object* receiver;
    const char* selector;
    bool responds;
  };
  Class& sub = runtime::registerClass("RuntimeTestSubController", cls);
  Object subInstance(sub);
  const Case cases[] = {
      {&cls, "sharedInstance", true},
      {&shared, "sharedInstance", false},
      {&sub, "sharedInstance", true},
      {&shared, "changeTrack:eventSource:", true},
      {&subInstance, "changeTrack:eventSource:", true},
      {&cls, "changeTrack:eventSource:", false},
      {&shared, "changeTrack:", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.receiver->respondsToSelector(c.selector), c.responds)
        << runtime::describe(c.receiver) << " " << c.selector;
  }
}

TEST(RuntimeTest, DescriptionsFollowThePlatform) {
  Class& cls = runtime::registerClass("RuntimeTestDescribed");
  Object instance(cls);
  EXPECT_EQ(runtime::describe(&cls), "RuntimeTestDescribed");
  EXPECT_EQ(runtime::describe(nullptr), "(null)");
  EXPECT_TRUE(std::regex_match(runtime::describe(&instance),
                               std::regex("<RuntimeTestDescribed: 0x[0-9a-f]+>")))
      << runtime::describe(&instance);
}

// The implementation that is running stays alive when it replaces its own
// method (AddressSanitizer would see the freed closure otherwise).
TEST(RuntimeTest, AMethodReplacedDuringItsOwnCallFinishes) {
  Class& cls = runtime::registerClass("RuntimeTestSelfReplacing");
  std::string tail(64, 'x');
  ASSERT_TRUE((runtime::addMethod<void>(&cls, "step", [tail](Object& self) {
    runtime::hookMessage<void>(&self.objectClass(), "step",
                               [](Object& again) { record(again, "replacement"); });
    record(self, "first " + std::to_string(tail.size()));
  })));
  Recorder instance(cls);
  runtime::send<void>(instance, "step");
  runtime::send<void>(instance, "step");
  EXPECT_EQ(instance.calls, (std::vector<std::string>{"first 64", "replacement"}));
}

}  // namespace
