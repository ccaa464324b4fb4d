// The peer's floor: an empty N-API function that takes an int and returns it
// plus one, as the binding benchmarks' bare V8 callback does.

#include <node_api.h>

static napi_value increment(napi_env env, napi_callback_info info) {
    size_t count = 1;
    napi_value argument;
    napi_get_cb_info(env, info, &count, &argument, NULL, NULL);
    int32_t value = 0;
    napi_get_value_int32(env, argument, &value);
    napi_value result;
    napi_create_int32(env, value + 1, &result);
    return result;
}

static napi_value init(napi_env env, napi_value exports) {
    napi_value function;
    napi_create_function(env, "increment", NAPI_AUTO_LENGTH, increment, NULL, &function);
    napi_set_named_property(env, exports, "increment", function);
    return exports;
}

NAPI_MODULE(NODE_GYP_MODULE_NAME, init)
