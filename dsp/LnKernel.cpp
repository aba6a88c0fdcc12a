#include "dsp/LnKernel.h"

#include <array>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZQ_LN_AVX2 1
#endif

namespace dsp::lnkernel {

double extendedLn(double x) noexcept
{
    return static_cast<double>(std::log(static_cast<long double>(x)));
}

#ifdef ZQ_LN_AVX2

#define ZQ_AVX2 __attribute__((target("avx2,fma")))

namespace {

// x = 2^k z with z within 2^-9 of c = 1 + j/256 (the index is rounded, so z
// close to 1 from below belongs to j = 0 of the next power of two, where
// ln c = 0 and ln x near 1 keeps its relative accuracy). invc = n/512 is 1/c
// rounded to 9 bits: z (a multiple of 2^-52) times invc is a multiple of 2^-61
// and |z invc - 1| < 2^-8, so r = z invc - 1 is exact in one FMA.
// logHi + logLo is -ln(invc) to about 107 bits: logHi is its nearest double and
// logLo the nearest double to the rest.
struct TableRow {
    int invcTimes512;
    double logHi;
    double logLo;
};

constexpr TableRow rows[256] = {
    {512, 0.0, 0.0},
    {510, 0x1.0080559588b35p-8, 0x1.f96638cf63677p-62},
    {508, 0x1.010157588de71p-7, 0x1.46662d417ced0p-62},
    {506, 0x1.82448a388a2aap-7, 0x1.04b16137f09a0p-62},
    {504, 0x1.0205658935847p-6, 0x1.27c8e8416e71fp-60},
    {502, 0x1.432a925980cc1p-6, -0x1.8cdaf39004192p-60},
    {500, 0x1.8492528c8cabfp-6, -0x1.d192d0619fa67p-60},
    {498, 0x1.c63d2ec14aaf2p-6, -0x1.ce030a686bd86p-60},
    {496, 0x1.0415d89e74444p-5, 0x1.c05cf1d753622p-59},
    {495, 0x1.149e3e4005a8dp-5, -0x1.53482d1f9d7d7p-61},
    {493, 0x1.35c8bfaa1306bp-5, -0x1.50830a65543a4p-63},
    {491, 0x1.5715c4c03ceefp-5, -0x1.bbf88ec501b56p-61},
    {489, 0x1.788595a3577bap-5, 0x1.e5ef898b67923p-59},
    {487, 0x1.9a187b573de7cp-5, -0x1.727626c86b3abp-59},
    {485, 0x1.bbcebfc68f420p-5, 0x1.e5cf3a0f56f72p-60},
    {484, 0x1.ccb73cdddb2ccp-5, -0x1.e48fb0500efd4p-59},
    {482, 0x1.eea31c006b87cp-5, -0x1.3e4fc93b7b66cp-59},
    {480, 0x1.08598b59e3a07p-4, -0x1.dd7009902bf32p-58},
    {478, 0x1.1973bd1465567p-4, -0x1.7558367a6acf6p-59},
    {477, 0x1.2207b5c78549ep-4, -0x1.cc0fbce104eaap-58},
    {475, 0x1.333d7f8183f4bp-4, 0x1.a92afc8ef70b1p-58},
    {473, 0x1.4485e03dbdfadp-4, 0x1.1ba349aadbc6ep-58},
    {471, 0x1.55e10050e0384p-4, -0x1.45f9d61c68c1bp-58},
    {470, 0x1.5e95a4d9791cbp-4, 0x1.f38745c5c450ap-58},
    {468, 0x1.700d30aeac0e1p-4, -0x1.72566212cdd05p-61},
    {466, 0x1.8197e2f40e3f0p-4, 0x1.b9f2dffbeed43p-60},
    {465, 0x1.8a6477a91dc29p-4, -0x1.fa83214904842p-59},
    {463, 0x1.9c0c32d4d2548p-4, 0x1.fb0be3ccc1532p-59},
    {462, 0x1.a4e7640b1bc38p-4, -0x1.5b5ca203e4259p-58},
    {460, 0x1.b6ac88dad5b1cp-4, -0x1.0057eed1ca59fp-59},
    {458, 0x1.c885801bc4b23p-4, 0x1.a38cb559a6706p-58},
    {457, 0x1.d179788219364p-4, 0x1.9daf7df76ad2ap-59},
    {455, 0x1.e3707ee30487bp-4, 0x1.09ccecd579d99p-58},
    {454, 0x1.ec739830a1120p-4, -0x1.a2bf991780d3fp-59},
    {452, 0x1.fe89139dbd566p-4, -0x1.ac9f4215f9393p-58},
    {450, 0x1.08598b59e3a07p-3, -0x1.dd7009902bf32p-57},
    {449, 0x1.0ce7ecdccc28dp-3, -0x1.692a0055dc959p-57},
    {447, 0x1.160c8024b27b1p-3, -0x1.2d56ff61c2bfbp-57},
    {446, 0x1.1aa2b7e23f72ap-3, -0x1.c6ef1d9b2ef7ep-59},
    {444, 0x1.23d712a49c202p-3, -0x1.6e38161051d69p-57},
    {443, 0x1.28753bc11aba5p-3, -0x1.6394d9fa33311p-57},
    {441, 0x1.31b994d3a4f85p-3, -0x1.c4716bdfc0cc9p-58},
    {440, 0x1.365fcb0159016p-3, 0x1.7d411a5b944adp-58},
    {438, 0x1.3fb45a59928ccp-3, -0x1.d87e6a354d056p-57},
    {437, 0x1.4462b9dc9b3dcp-3, -0x1.629c46c186385p-58},
    {435, 0x1.4dc7b897bc1c8p-3, -0x1.927d47803c5f4p-57},
    {434, 0x1.527e5e4a1b58dp-3, -0x1.71a9682395bfdp-61},
    {433, 0x1.5737cc9018cddp-3, 0x1.4f4d710fec38ep-57},
    {431, 0x1.60b3100b09476p-3, -0x1.5b2623e05016bp-58},
    {430, 0x1.6574ebe8c133ap-3, -0x1.d34f0f4621bedp-60},
    {428, 0x1.6f0128b756abcp-3, -0x1.8de59c21e166cp-57},
    {427, 0x1.73cb9074fd14dp-3, -0x1.521a000b4cf01p-57},
    {426, 0x1.7898d85444c73p-3, 0x1.ef8f6ebcfb201p-58},
    {424, 0x1.823c16551a3c2p-3, -0x1.1232ce70be781p-57},
    {423, 0x1.871213750e994p-3, 0x1.d685f35eea2a0p-57},
    {421, 0x1.90c6db9fcbcd9p-3, 0x1.054473941ad99p-57},
    {420, 0x1.95a5adcf7017fp-3, 0x1.142c507fb7a3dp-58},
    {419, 0x1.9a8778debaa38p-3, 0x1.f47dfd871f87fp-57},
    {417, 0x1.a454082e6ab05p-3, 0x1.df207dc5c34c6p-58},
    {416, 0x1.a93ed3c8ad9e3p-3, 0x1.bcafa9de97203p-57},
    {415, 0x1.ae2ca6f672bd4p-3, 0x1.ab5ca9eaa088ap-57},
    {413, 0x1.b811730b823d2p-3, 0x1.a0ee735d9f0ecp-60},
    {412, 0x1.bd087383bd8adp-3, 0x1.dd355f6a516d7p-60},
    {411, 0x1.c2028ab17f9b4p-3, 0x1.f11aa3853a5f1p-57},
    {410, 0x1.c6ffbc6f00f71p-3, -0x1.8e58b2c57a4a5p-57},
    {408, 0x1.d1037f2655e7bp-3, 0x1.60629242471a2p-57},
    {407, 0x1.d60a17f903515p-3, -0x1.c0df841a71b7ap-57},
    {406, 0x1.db13db0d48940p-3, 0x1.aa11d49f96cb9p-58},
    {405, 0x1.e020cc6235ab5p-3, 0x1.fea48dd7b81d1p-58},
    {403, 0x1.ea4449f04aaf5p-3, -0x1.d33919ab94074p-57},
    {402, 0x1.ef5ade4dcffe6p-3, -0x1.08ab2ddc708a0p-58},
    {401, 0x1.f474b134df229p-3, -0x1.27c77ded76aadp-58},
    {400, 0x1.f991c6cb3b379p-3, 0x1.f665066f980a2p-57},
    {398, 0x1.01eae5626c691p-2, -0x1.18290bd2932e2p-59},
    {397, 0x1.047e60cde83b8p-2, -0x1.0779634061cbcp-56},
    {396, 0x1.07138604d5862p-2, 0x1.cdb16ed4e9138p-56},
    {395, 0x1.09aa572e6c6d4p-2, 0x1.43c2e68684d53p-57},
    {394, 0x1.0c42d676162e3p-2, 0x1.162c79d5d11eep-58},
    {392, 0x1.1178e8227e47cp-2, -0x1.0e63a5f01c691p-57},
    {391, 0x1.14167ef367783p-2, 0x1.e0936abd4fa6ep-62},
    {390, 0x1.16b5ccbacfb73p-2, 0x1.66fbd28b40935p-56},
    {389, 0x1.1956d3b9bc2fap-2, 0x1.7b9d68d50a15dp-56},
    {388, 0x1.1bf99635a6b95p-2, -0x1.12aeb84249223p-57},
    {387, 0x1.1e9e1678899f4p-2, 0x1.512c3749a1e4ep-56},
    {386, 0x1.214456d0eb8d4p-2, 0x1.f7ae91aeba60ap-57},
    {384, 0x1.269621134db92p-2, 0x1.e0efadd9db02bp-56},
    {383, 0x1.2941afb186b7cp-2, -0x1.856e61c515740p-57},
    {382, 0x1.2bef07cdc9354p-2, -0x1.82dad7fd86088p-56},
    {381, 0x1.2e9e2bce12286p-2, 0x1.8251a3b83d97ap-62},
    {380, 0x1.314f1e1d35ce4p-2, -0x1.3d69909e5c3dcp-56},
    {379, 0x1.3401e12aecba1p-2, -0x1.cd55b8a4746c0p-58},
    {378, 0x1.36b6776be1117p-2, -0x1.324f0e883858ep-58},
    {377, 0x1.396ce359bbf54p-2, -0x1.ce2b31b31e8b0p-58},
    {376, 0x1.3c25277333184p-2, -0x1.2ad27e50a8ec6p-56},
    {374, 0x1.419b423d5e8c7p-2, 0x1.0dbb243827392p-57},
    {373, 0x1.44591e0539f49p-2, -0x1.2b125247b0fa5p-56},
    {372, 0x1.4718dc271c41bp-2, 0x1.8fb4c14c56eefp-60},
    {371, 0x1.49da7f3bcc41fp-2, -0x1.9964a168ccacap-57},
    {370, 0x1.4c9e09e172c3cp-2, -0x1.123615b147a5dp-58},
    {369, 0x1.4f637ebba9810p-2, -0x1.58cb3124b9245p-56},
    {368, 0x1.522ae0738a3d8p-2, -0x1.8f7e9b38a6979p-57},
    {367, 0x1.54f431b7be1a9p-2, -0x1.aacfdbbdab914p-56},
    {366, 0x1.57bf753c8d1fbp-2, -0x1.0908d15f88b63p-57},
    {365, 0x1.5a8cadbbedfa1p-2, -0x1.e6c2bdfb3e037p-58},
    {364, 0x1.5d5bddf595f30p-2, -0x1.6541148cbb8a2p-56},
    {363, 0x1.602d08af091ecp-2, -0x1.6e8920c09b73fp-58},
    {362, 0x1.630030b3aac49p-2, 0x1.dc18ce51fff99p-57},
    {361, 0x1.65d558d4ce00bp-2, -0x1.7605a4748480ap-56},
    {360, 0x1.68ac83e9c6a14p-2, 0x1.a64eadd740178p-58},
    {359, 0x1.6b85b4cffa3fdp-2, -0x1.8af2c8dafcb08p-57},
    {358, 0x1.6e60ee6af1972p-2, 0x1.657c222d868cdp-58},
    {357, 0x1.713e33a46a17cp-2, -0x1.9367a05ae38d3p-56},
    {356, 0x1.741d876c67bb1p-2, 0x1.84a4ee3059583p-56},
    {355, 0x1.76feecb947175p-2, -0x1.118d9eb4ea362p-56},
    {354, 0x1.79e26687cfb3ep-2, -0x1.c168817443f22p-56},
    {353, 0x1.7cc7f7db46a0ep-2, -0x1.8438023cdc3d3p-56},
    {352, 0x1.7fafa3bd8151cp-2, -0x1.219024acd3b77p-58},
    {351, 0x1.82996d3ef8bcbp-2, -0x1.2aa30536bb6bep-56},
    {350, 0x1.85855776dcbfbp-2, -0x1.486666443b153p-56},
    {350, 0x1.85855776dcbfbp-2, -0x1.486666443b153p-56},
    {349, 0x1.8873658327ccfp-2, -0x1.c43eff892d8d0p-58},
    {348, 0x1.8b639a88b2df5p-2, -0x1.70f2f38238303p-56},
    {347, 0x1.8e55f9b349b83p-2, 0x1.e2763763baffcp-56},
    {346, 0x1.914a8635bf68ap-2, -0x1.ad4bb98c1f2c5p-56},
    {345, 0x1.9441434a03259p-2, 0x1.c0e4afffa1b77p-56},
    {344, 0x1.973a3431356aep-2, -0x1.89d2816cf838fp-57},
    {343, 0x1.9a355c33bd6bap-2, -0x1.959578e82a9d9p-57},
    {342, 0x1.9d32bea15ed3bp-2, 0x1.87bcbcfd3e187p-59},
    {341, 0x1.a0325ed14fda4p-2, 0x1.efa7950fb57e7p-56},
    {340, 0x1.a33440224fa79p-2, -0x1.ba8062860ae23p-57},
    {340, 0x1.a33440224fa79p-2, -0x1.ba8062860ae23p-57},
    {339, 0x1.a63865fabd0ecp-2, -0x1.1470455746974p-57},
    {338, 0x1.a93ed3c8ad9e3p-2, 0x1.bcafa9de97203p-56},
    {337, 0x1.ac478d020506fp-2, 0x1.d19914a95df12p-61},
    {336, 0x1.af5295248cdd0p-2, 0x1.9d56c45dd3e86p-56},
    {335, 0x1.b25fefb60cb2ep-2, 0x1.831dd125d6faap-59},
    {334, 0x1.b56fa04462909p-2, 0x1.494b610665378p-56},
    {334, 0x1.b56fa04462909p-2, 0x1.494b610665378p-56},
    {333, 0x1.b881aa659bc93p-2, 0x1.29d3a2d1b2176p-56},
    {332, 0x1.bb9611b80e2fbp-2, 0x1.6fd02999b21e1p-59},
    {331, 0x1.beacd9e271ad1p-2, 0x1.376dc3cda889fp-56},
    {330, 0x1.c1c60693fa39ep-2, -0x1.bfc00b8f3feaap-56},
    {329, 0x1.c4e19b84723c2p-2, -0x1.6e6b67ccb006ap-56},
    {329, 0x1.c4e19b84723c2p-2, -0x1.6e6b67ccb006ap-56},
    {328, 0x1.c7ff9c74554c9p-2, 0x1.223eadb651b4ap-57},
    {327, 0x1.cb200d2ceb643p-2, -0x1.89974d2ba308ap-58},
    {326, 0x1.ce42f18064743p-2, 0x1.0798270b29f39p-56},
    {325, 0x1.d1684d49f46aep-2, 0x1.d98a582717953p-56},
    {324, 0x1.d490246defa6bp-2, 0x1.d7f4d3b3d406bp-56},
    {324, 0x1.d490246defa6bp-2, 0x1.d7f4d3b3d406bp-56},
    {323, 0x1.d7ba7ad9e7da0p-2, -0x1.15dc45192db3fp-56},
    {322, 0x1.dae75484c9616p-2, -0x1.0b5837185a661p-56},
    {321, 0x1.de16b56ef90f0p-2, 0x1.19fcdfc8ea4f4p-56},
    {320, 0x1.e148a1a2726cep-2, -0x1.ac81cc8a4dfb8p-56},
    {320, 0x1.e148a1a2726cep-2, -0x1.ac81cc8a4dfb8p-56},
    {319, 0x1.e47d1d32e677ep-2, 0x1.96e555e2df7d3p-58},
    {318, 0x1.e7b42c3ddad73p-2, 0x1.57d646a17bc6ap-56},
    {317, 0x1.eaedd2eac990cp-2, 0x1.9d6bc9a591edep-57},
    {317, 0x1.eaedd2eac990cp-2, 0x1.9d6bc9a591edep-57},
    {316, 0x1.ee2a156b413e5p-2, -0x1.74b71fb5e57e3p-62},
    {315, 0x1.f168f7fb05c52p-2, 0x1.2fd60fce475cfp-59},
    {314, 0x1.f4aa7ee03192dp-2, -0x1.0d487f5aba5e5p-57},
    {314, 0x1.f4aa7ee03192dp-2, -0x1.0d487f5aba5e5p-57},
    {313, 0x1.f7eeae6b5761dp-2, -0x1.ffca6a88d3d8ep-57},
    {312, 0x1.fb358af7a4884p-2, 0x1.7e8f05924d259p-57},
    {311, 0x1.fe7f18eb03d3ep-2, 0x1.5c6299030cfddp-58},
    {311, 0x1.fe7f18eb03d3ep-2, 0x1.5c6299030cfddp-58},
    {310, 0x1.00e5ae5b207abp-1, 0x1.1713a36138e19p-57},
    {309, 0x1.028d2d6a963f4p-1, 0x1.ff6181e8400ccp-55},
    {308, 0x1.04360be7603adp-1, -0x1.17f9e54e78104p-57},
    {308, 0x1.04360be7603adp-1, -0x1.17f9e54e78104p-57},
    {307, 0x1.05e04c1aa2c06p-1, 0x1.862e53e393760p-60},
    {306, 0x1.078bf0533c568p-1, 0x1.2241edf5fd1f7p-57},
    {306, 0x1.078bf0533c568p-1, 0x1.2241edf5fd1f7p-57},
    {305, 0x1.0938fae5d8e9bp-1, -0x1.1f5e313ed5944p-60},
    {304, 0x1.0ae76e2d054fap-1, 0x1.0d710fcfc4e0dp-55},
    {303, 0x1.0c974c89431cep-1, -0x1.fac191a23c9cdp-56},
    {303, 0x1.0c974c89431cep-1, -0x1.fac191a23c9cdp-56},
    {302, 0x1.0e4898611cce1p-1, 0x1.3300f002e836ep-55},
    {301, 0x1.0ffb54213a476p-1, -0x1.08822a328336cp-56},
    {301, 0x1.0ffb54213a476p-1, -0x1.08822a328336cp-56},
    {300, 0x1.11af823c75aa8p-1, -0x1.91eee7772c7c2p-55},
    {299, 0x1.1365252bf0865p-1, -0x1.e96778ad07bbbp-56},
    {299, 0x1.1365252bf0865p-1, -0x1.e96778ad07bbbp-56},
    {298, 0x1.151c3f6f29612p-1, 0x1.342eb628dba17p-56},
    {297, 0x1.16d4d38c119fap-1, 0x1.d7508e57620b2p-55},
    {297, 0x1.16d4d38c119fap-1, 0x1.d7508e57620b2p-55},
    {296, 0x1.188ee40f23ca6p-1, 0x1.89df1568ca0b0p-55},
    {295, 0x1.1a4a738b7a33cp-1, 0x1.58930213c987dp-55},
    {295, 0x1.1a4a738b7a33cp-1, 0x1.58930213c987dp-55},
    {294, 0x1.1c07849ae6007p-1, 0x1.59bddae1ccce2p-56},
    {293, 0x1.1dc619de06944p-1, 0x1.b50bb38388177p-57},
    {293, 0x1.1dc619de06944p-1, 0x1.b50bb38388177p-57},
    {292, 0x1.1f8635fc61659p-1, -0x1.2164ff40e9817p-56},
    {291, 0x1.2147dba47a394p-1, -0x1.5433d723a4c74p-55},
    {291, 0x1.2147dba47a394p-1, -0x1.5433d723a4c74p-55},
    {290, 0x1.230b0d8bebc98p-1, -0x1.fcc8dbccc25cbp-57},
    {289, 0x1.24cfce6f80d9ap-1, 0x1.a5268d21148c6p-55},
    {289, 0x1.24cfce6f80d9ap-1, 0x1.a5268d21148c6p-55},
    {288, 0x1.269621134db92p-1, 0x1.e0efadd9db02bp-55},
    {287, 0x1.285e0842ca384p-1, -0x1.d93cc9506f200p-55},
    {287, 0x1.285e0842ca384p-1, -0x1.d93cc9506f200p-55},
    {286, 0x1.2a2786d0ec107p-1, -0x1.6a0c343be95dcp-56},
    {286, 0x1.2a2786d0ec107p-1, -0x1.6a0c343be95dcp-56},
    {285, 0x1.2bf29f9841c3bp-1, 0x1.470c3a76fd89cp-57},
    {284, 0x1.2dbf557b0df43p-1, -0x1.b941ee770436bp-56},
    {284, 0x1.2dbf557b0df43p-1, -0x1.b941ee770436bp-56},
    {283, 0x1.2f8dab636337ap-1, -0x1.9811700a1baf8p-55},
    {282, 0x1.315da4434068bp-1, 0x1.6c3a5f12642c9p-57},
    {282, 0x1.315da4434068bp-1, 0x1.6c3a5f12642c9p-57},
    {281, 0x1.332f4314ad796p-1, -0x1.6c3d4e8a817bap-55},
    {281, 0x1.332f4314ad796p-1, -0x1.6c3d4e8a817bap-55},
    {280, 0x1.35028ad9d8c86p-1, -0x1.f01ab6065515cp-56},
    {279, 0x1.36d77e9d34fd7p-1, -0x1.030a8308afc73p-55},
    {279, 0x1.36d77e9d34fd7p-1, -0x1.030a8308afc73p-55},
    {278, 0x1.38ae2171976e7p-1, 0x1.21512aa596ea3p-55},
    {278, 0x1.38ae2171976e7p-1, 0x1.21512aa596ea3p-55},
    {277, 0x1.3a86767257111p-1, 0x1.700f448ce4d66p-56},
    {277, 0x1.3a86767257111p-1, 0x1.700f448ce4d66p-56},
    {276, 0x1.3c6080c36bfb5p-1, 0x1.1930603d87b6ep-56},
    {275, 0x1.3e3c43918f76cp-1, 0x1.59673d064b8bap-55},
    {275, 0x1.3e3c43918f76cp-1, 0x1.59673d064b8bap-55},
    {274, 0x1.4019c2125ca93p-1, 0x1.86cf0f38b461ap-57},
    {274, 0x1.4019c2125ca93p-1, 0x1.86cf0f38b461ap-57},
    {273, 0x1.41f8ff8471d61p-1, 0x1.eeba65347de21p-58},
    {272, 0x1.43d9ff2f923c5p-1, -0x1.84f481051f71ap-56},
    {272, 0x1.43d9ff2f923c5p-1, -0x1.84f481051f71ap-56},
    {271, 0x1.45bcc464c893ap-1, 0x1.45b00234d80aap-57},
    {271, 0x1.45bcc464c893ap-1, 0x1.45b00234d80aap-57},
    {270, 0x1.47a1527e8a2d3p-1, 0x1.2541aca7d5844p-55},
    {270, 0x1.47a1527e8a2d3p-1, 0x1.2541aca7d5844p-55},
    {269, 0x1.4987ace0dabb0p-1, 0x1.f68ae35979f60p-55},
    {269, 0x1.4987ace0dabb0p-1, 0x1.f68ae35979f60p-55},
    {268, 0x1.4b6fd6f970c1fp-1, 0x1.c457b531506f6p-55},
    {267, 0x1.4d59d43fdaba2p-1, -0x1.34d6c7eb974a5p-57},
    {267, 0x1.4d59d43fdaba2p-1, -0x1.34d6c7eb974a5p-57},
    {266, 0x1.4f45a835a4e19p-1, 0x1.d749362382a77p-56},
    {266, 0x1.4f45a835a4e19p-1, 0x1.d749362382a77p-56},
    {265, 0x1.513356667fc57p-1, 0x1.ca64cc3d52c87p-56},
    {265, 0x1.513356667fc57p-1, 0x1.ca64cc3d52c87p-56},
    {264, 0x1.5322e26867857p-1, 0x1.988ba4aea614dp-56},
    {264, 0x1.5322e26867857p-1, 0x1.988ba4aea614dp-56},
    {263, 0x1.55144fdbcbd62p-1, 0x1.d66a6522e0f04p-55},
    {263, 0x1.55144fdbcbd62p-1, 0x1.d66a6522e0f04p-55},
    {262, 0x1.5707a26bb8c66p-1, 0x1.80bff3303dd48p-55},
    {262, 0x1.5707a26bb8c66p-1, 0x1.80bff3303dd48p-55},
    {261, 0x1.58fcddce004c4p-1, -0x1.c801a2d42e96cp-55},
    {261, 0x1.58fcddce004c4p-1, -0x1.c801a2d42e96cp-55},
    {260, 0x1.5af405c3649e0p-1, -0x1.6714fbcd8135bp-55},
    {260, 0x1.5af405c3649e0p-1, -0x1.6714fbcd8135bp-55},
    {259, 0x1.5ced1e17c35c5p-1, 0x1.6812a0aac67dep-55},
    {259, 0x1.5ced1e17c35c5p-1, 0x1.6812a0aac67dep-55},
    {258, 0x1.5ee82aa241920p-1, 0x1.1c066d235ee63p-56},
    {258, 0x1.5ee82aa241920p-1, 0x1.1c066d235ee63p-56},
    {257, 0x1.60e52f45788e3p-1, 0x1.d4bcd02c7194cp-55},
    {257, 0x1.60e52f45788e3p-1, 0x1.d4bcd02c7194cp-55},
};

struct alignas(32) Table {
    std::array<double, 256> invc{};
    std::array<double, 256> logHi{};
    std::array<double, 256> logLo{};
};

constexpr Table makeTable()
{
    Table t;
    for (int j = 0; j < 256; ++j) {
        t.invc[j] = rows[j].invcTimes512 / 512.0;
        t.logHi[j] = rows[j].logHi;
        t.logLo[j] = rows[j].logLo;
    }
    return t;
}

constexpr Table table = makeTable();

// ln 2 = ln2Hi + ln2Lo to about 2^-100; ln2Hi has 42 significant bits, so
// k ln2Hi is exact for every exponent a double can have.
constexpr double ln2Hi = 0x1.62e42fefa3800p-1;
constexpr double ln2Lo = 0x1.ef35793c76730p-45;

// The fast result y + yl is kept when y + e yl rounds back to y: then it lies
// at least 2^-10 units in the last place from every midpoint between doubles,
// more than the extended logarithm's own error (below 2^-11 units: 0.91 units
// of its 64-bit place) plus this path's (below 2^-13 units), so the two round
// to the same double. About one value in 500 is left to the extended one.
constexpr double roundingTestFactor = 1.0 + 0x1p-9;

ZQ_AVX2 inline __m256d set(double v) { return _mm256_set1_pd(v); }

// Both halves of a + b, exactly, whatever their order of size.
struct Sum {
    __m256d hi;
    __m256d lo;
};
ZQ_AVX2 inline Sum twoSum(__m256d a, __m256d b)
{
    const __m256d s = _mm256_add_pd(a, b);
    const __m256d bPart = _mm256_sub_pd(s, a);
    const __m256d aPart = _mm256_sub_pd(s, bPart);
    return {s, _mm256_add_pd(_mm256_sub_pd(a, aPart), _mm256_sub_pd(b, bPart))};
}
// The same when |a| >= |b| or a is 0.
ZQ_AVX2 inline Sum fastTwoSum(__m256d a, __m256d b)
{
    const __m256d s = _mm256_add_pd(a, b);
    return {s, _mm256_sub_pd(b, _mm256_sub_pd(s, a))};
}

// ln of four positive finite non-zero values; bit i of undecided is set for
// each lane whose rounding the fast path cannot vouch for.
ZQ_AVX2 __m256d lnCore(__m256d x, int& undecided)
{
    // Subnormals are scaled into the normal range first.
    const __m256i raw = _mm256_castpd_si256(x);
    const __m256i subnormal = _mm256_cmpgt_epi64(_mm256_set1_epi64x(0x0010'0000'0000'0000), raw);
    const __m256i scaled = _mm256_castpd_si256(_mm256_mul_pd(x, set(0x1p54)));
    const __m256i ix = _mm256_blendv_epi8(raw, scaled, subnormal);
    const __m256d scaleShift = _mm256_and_pd(_mm256_castsi256_pd(subnormal), set(54.0));

    // Adding half an index step rounds the index; a carry moves into the exponent.
    const __m256i rounded = _mm256_add_epi64(ix, _mm256_set1_epi64x(std::int64_t{1} << 43));
    const __m256i index = _mm256_and_si256(_mm256_srli_epi64(rounded, 44), _mm256_set1_epi64x(255));
    const __m256i exponentField = _mm256_and_si256(rounded, _mm256_set1_epi64x(0x7FF0'0000'0000'0000));
    const __m256d z = _mm256_castsi256_pd(
        _mm256_add_epi64(_mm256_sub_epi64(ix, exponentField), _mm256_set1_epi64x(0x3FF0'0000'0000'0000)));
    // The biased exponent (1..2047) read as the low bits of 2^52 + it.
    const __m256d biased = _mm256_sub_pd(
        _mm256_castsi256_pd(_mm256_or_si256(_mm256_srli_epi64(rounded, 52), _mm256_set1_epi64x(0x4330'0000'0000'0000))),
        set(0x1p52));
    const __m256d k = _mm256_sub_pd(_mm256_sub_pd(biased, set(1023.0)), scaleShift);

    const __m256d invc = _mm256_i64gather_pd(table.invc.data(), index, 8);
    const __m256d logHi = _mm256_i64gather_pd(table.logHi.data(), index, 8);
    const __m256d logLo = _mm256_i64gather_pd(table.logLo.data(), index, 8);

    // k ln 2 - ln invc as a double-double a; |a.hi| >= |logHi| whenever k != 0.
    const Sum a = fastTwoSum(_mm256_mul_pd(k, set(ln2Hi)), logHi);
    const __m256d aLo = _mm256_add_pd(_mm256_fmadd_pd(k, set(ln2Lo), logLo), a.lo);

    // ln(1 + r) = r - r^2/2 + r^3 p(r), |r| < 2^-8.4; the series is cut after
    // r^8 (relative error below 2^-70).
    const __m256d r = _mm256_fmadd_pd(z, invc, set(-1.0));
    const __m256d halfR = _mm256_mul_pd(r, set(0.5));
    const __m256d squareHi = _mm256_mul_pd(r, halfR);
    const __m256d squareLo = _mm256_fmsub_pd(r, halfR, squareHi);
    __m256d p = set(-1.0 / 8);
    p = _mm256_fmadd_pd(p, r, set(1.0 / 7));
    p = _mm256_fmadd_pd(p, r, set(-1.0 / 6));
    p = _mm256_fmadd_pd(p, r, set(1.0 / 5));
    p = _mm256_fmadd_pd(p, r, set(-1.0 / 4));
    p = _mm256_fmadd_pd(p, r, set(1.0 / 3));
    const __m256d cubeTerm = _mm256_mul_pd(_mm256_mul_pd(r, r), _mm256_mul_pd(r, p));
    const Sum l = fastTwoSum(r, _mm256_sub_pd(_mm256_setzero_pd(), squareHi));
    const __m256d lLo = _mm256_add_pd(_mm256_sub_pd(l.lo, squareLo), cubeTerm);

    const Sum h = twoSum(a.hi, l.hi);
    const __m256d lo = _mm256_add_pd(_mm256_add_pd(aLo, lLo), h.lo);
    const Sum y = fastTwoSum(h.hi, lo);

    const __m256d check = _mm256_fmadd_pd(y.lo, set(roundingTestFactor), y.hi);
    undecided = _mm256_movemask_pd(_mm256_cmp_pd(check, y.hi, _CMP_NEQ_UQ));
    return y.hi;
}

// Positive, finite and non-zero: 0 < bits < +infinity as signed integers.
ZQ_AVX2 inline int ordinaryLanes(__m256d x)
{
    const __m256i bits = _mm256_castpd_si256(x);
    const __m256i aboveZero = _mm256_cmpgt_epi64(bits, _mm256_setzero_si256());
    const __m256i belowInfinity = _mm256_cmpgt_epi64(_mm256_set1_epi64x(0x7FF0'0000'0000'0000), bits);
    return _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_and_si256(aboveZero, belowInfinity)));
}

ZQ_AVX2 double lnOfOneImpl(double x)
{
    const __m256d v = set(x);
    if (ordinaryLanes(v) != 0xF) {
        return extendedLn(x);
    }
    int undecided = 0;
    const double y = _mm256_cvtsd_f64(lnCore(v, undecided));
    return undecided != 0 ? extendedLn(x) : y;
}

ZQ_AVX2 bool lnOfFourImpl(const double* src, double* dst)
{
    const __m256d x = _mm256_loadu_pd(src);
    if (ordinaryLanes(x) != 0xF) {
        return false;
    }
    int undecided = 0;
    const __m256d y = lnCore(x, undecided);
    alignas(32) double in[4];
    _mm256_store_pd(in, x);
    _mm256_storeu_pd(dst, y);
    while (undecided != 0) {
        const int lane = __builtin_ctz(static_cast<unsigned>(undecided));
        dst[lane] = extendedLn(in[lane]);
        undecided &= undecided - 1;
    }
    return true;
}

} // namespace

// Entry points compiled for the baseline processor; they only call across.
bool fastAvailable() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

double lnOfOne(double x) noexcept { return lnOfOneImpl(x); }

bool lnOfFour(const double* src, double* dst) noexcept { return lnOfFourImpl(src, dst); }

#else

bool fastAvailable() noexcept { return false; }
double lnOfOne(double x) noexcept { return extendedLn(x); }
bool lnOfFour(const double*, double*) noexcept { return false; }

#endif

} // namespace dsp::lnkernel
