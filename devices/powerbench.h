/* Powerbench: the power supply library. One exported function delivers a factory; everything
 * else is reached through the objects' virtual operations, whose slots follow the order below
 * (unused slots are kept as placeholders). Objects are released through their own Release.
 * Channel -1 is a supply's main output, 2 the second output of a two-output supply; a voltage
 * of -1.0 switches an output off; currents are in milliamperes. */
#ifndef VARNEX_DEVICES_POWERBENCH_H
#define VARNEX_DEVICES_POWERBENCH_H

#include <stdint.h>

#if defined(_WIN32) && defined(POWERBENCH_BUILDING)
#define POWERBENCH_API __declspec(dllexport)
#elif defined(_WIN32)
#define POWERBENCH_API __declspec(dllimport)
#else
#define POWERBENCH_API
#endif

#ifdef __cplusplus

struct IPowerSupply {
  virtual int32_t Reserved1() = 0;
  virtual int32_t Reserved2() = 0;
  virtual int32_t Open(const void* openRecord76) = 0; /* 0 = ready */
  virtual void Release() = 0;
  virtual int32_t SetVoltage(float volts, int32_t channel) = 0; /* -1.0 V = output off */
  virtual int32_t Reserved6() = 0;
  virtual int32_t MeasureCurrent(float* milliamperes, int32_t channel) = 0; /* 0 = valid */
  virtual int32_t MeasureCurrentWithSetting(int32_t setting, float* milliamperes,
                                            int32_t channel) = 0;
  virtual int32_t SetCurrentRange(float amperes, int32_t channel) = 0;
};

struct IPowerbenchFactory {
  virtual int32_t Reserved1() = 0;
  virtual int32_t Create(IPowerSupply** supply, int32_t model) = 0; /* model 0..3 */
  virtual void Release() = 0;
};

extern "C" POWERBENCH_API int32_t CreatePowerbenchFactory(IPowerbenchFactory** factory);

#else /* C: the same objects seen through their tables of operations */

typedef struct IPowerSupply IPowerSupply;
typedef struct IPowerSupplyVtbl {
  int32_t (*Reserved1)(IPowerSupply* self);
  int32_t (*Reserved2)(IPowerSupply* self);
  int32_t (*Open)(IPowerSupply* self, const void* openRecord76);
  void (*Release)(IPowerSupply* self);
  int32_t (*SetVoltage)(IPowerSupply* self, float volts, int32_t channel);
  int32_t (*Reserved6)(IPowerSupply* self);
  int32_t (*MeasureCurrent)(IPowerSupply* self, float* milliamperes, int32_t channel);
  int32_t (*MeasureCurrentWithSetting)(IPowerSupply* self, int32_t setting, float* milliamperes,
                                       int32_t channel);
  int32_t (*SetCurrentRange)(IPowerSupply* self, float amperes, int32_t channel);
} IPowerSupplyVtbl;
struct IPowerSupply {
  const IPowerSupplyVtbl* lpVtbl;
};

typedef struct IPowerbenchFactory IPowerbenchFactory;
typedef struct IPowerbenchFactoryVtbl {
  int32_t (*Reserved1)(IPowerbenchFactory* self);
  int32_t (*Create)(IPowerbenchFactory* self, IPowerSupply** supply, int32_t model);
  void (*Release)(IPowerbenchFactory* self);
} IPowerbenchFactoryVtbl;
struct IPowerbenchFactory {
  const IPowerbenchFactoryVtbl* lpVtbl;
};

POWERBENCH_API int32_t CreatePowerbenchFactory(IPowerbenchFactory** factory);

#endif /* __cplusplus */

#endif /* VARNEX_DEVICES_POWERBENCH_H */
