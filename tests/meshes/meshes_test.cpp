// Meshes: the record and its banks, the plain quad, resizing, vertex and face
// access with masks and bounds, deletion and bank accounting.
#include <algorithm>
#include <tuple>

#include "graphics/host_fixture.h"

namespace {

using Floats = std::vector<float>;

class Meshes : public ::testing::Test {
  protected:
    static constexpr int kTable = 64;
    void SetUp() override { VM_OpenMemoryManager(kTable); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    static const VM_Mesh& rec(int mesh) { return *static_cast<const VM_Mesh*>(VM_BankPtr(mesh)); }
    static const VM_MeshFace* faces(int mesh) {
        return static_cast<const VM_MeshFace*>(VM_BankPtr(rec(mesh).Faces));
    }
    static std::vector<unsigned char> bytes_of(int bank) {
        const auto* p = static_cast<const unsigned char*>(VM_BankPtr(bank));
        return std::vector<unsigned char>(p, p + VM_BankSize(bank));
    }
    static bool zeroed(int bank) {
        const auto b = bytes_of(bank);
        return std::count(b.begin(), b.end(), 0) == static_cast<long>(b.size());
    }
    // Position and normal of a model vertex, as read through the peek export.
    static Floats vertex(int mesh, int index) {
        Floats v;
        for (int offset = 0; offset <= 20; offset += 4)
            v.push_back(VM_MeshPeekVert(mesh, index, offset));
        return v;
    }
    static auto corner(int mesh, int face, int c) {
        const VM_MeshCorner& k = faces(mesh)[face].Corner[c];
        return std::tuple(k.Vertex, k.U, k.V, k.Colour);
    }
};

TEST_F(Meshes, CreateMakesRecordZeroedBanksAndThePlainQuad) {
    const int mesh = VM_MeshCreate(5, 2);
    ASSERT_GT(mesh, 0);
    const VM_Mesh& m = rec(mesh);
    EXPECT_EQ(std::tuple(VM_BankType(mesh), VM_BankSize(mesh), m.Status, m.Particles,
                         VM_MeshGetVerts(mesh), VM_MeshGetFaces(mesh), m.Vertices != m.Transformed),
              std::tuple(VM_BANK_MESH, 44, 1, 0, 5, 2, true));
    for (int bank : {m.Vertices, m.Transformed, m.Faces})
        EXPECT_EQ(std::tuple(VM_BankType(bank), VM_BankSize(bank), zeroed(bank)),
                  std::tuple(VM_BANK_RAW, bank == m.Faces ? 3 * 84 : 24 * 5 + 1, true));
    EXPECT_EQ(std::tuple(VM_UsedBankQuantity(), VM_MeshGetVertPtr(mesh, 0),
                         VM_MeshGetVertPtr(mesh, 1), VM_MeshGetVertPtr(mesh, 2),
                         VM_MeshGetVertPtr(mesh, -1)),
              std::tuple(4, VM_BankPtr(m.Vertices), VM_BankPtr(m.Transformed), nullptr, nullptr));
    // Empty meshes still have their banks: one spare byte, one spare face.
    const int empty = VM_MeshCreate(0, 0);
    EXPECT_EQ(std::tuple(VM_BankSize(rec(empty).Vertices), VM_BankSize(rec(empty).Faces),
                         VM_UsedBankQuantity()),
              std::tuple(1, 84, 8));
    // The plain quad: four corners over the whole texture in white; the spare record empty.
    const int plain = VM_MeshCreatePlain();
    ASSERT_GT(plain, 0);
    EXPECT_EQ(std::tuple(VM_MeshGetVerts(plain), VM_MeshGetFaces(plain),
                         faces(plain)[0].CornerCount, faces(plain)[1].CornerCount),
              std::tuple(4, 1, 4, 0));
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(corner(plain, 0, c), std::tuple(c, u[c], v[c], 0xFFFFFFu)) << c;
}

TEST_F(Meshes, VertexPokesAndPeeksFollowMaskIndexOffsetAndTheBanks) {
    const int mesh = VM_MeshCreate(4, 1);
    EXPECT_EQ((VM_MeshPokeVert(mesh, 0, 1.0f, 2.0f, 3.0f, 2), vertex(mesh, 0)), // y only
              (Floats{0, 2, 0, 0, 0, 0}));
    EXPECT_EQ((VM_MeshPokeVert(mesh, 0, 7.0f, 8.0f, 9.0f, 5), vertex(mesh, 0)), // x and z
              (Floats{7, 2, 9, 0, 0, 0}));
    EXPECT_EQ((VM_MeshPokeNormals(mesh, 3, 0.5f, -0.5f, 0.25f, 7), vertex(mesh, 3)),
              (Floats{0, 0, 0, 0.5f, -0.5f, 0.25f}));
    EXPECT_EQ((VM_MeshPokeNormals(mesh, 3, 9.0f, 9.0f, 9.0f, 4), vertex(mesh, 3)),
              (Floats{0, 0, 0, 0.5f, -0.5f, 9}));
    // The peek reads the model vertices, at any offset between fields too.
    const auto* model = static_cast<const unsigned char*>(VM_MeshGetVertPtr(mesh, 0));
    float expect;
    std::memcpy(&expect, model + 3 * 24 + 14, 4);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 14), expect);

    // Offsets outside 0..20 and indexes outside 0..count-1 are refused; every
    // field around vertex 1 is non-zero, so a read that strays shows.
    for (int i = 0; i < 3; ++i) {
        VM_MeshPokeVert(mesh, i, 1.5f, 2.5f, 3.5f, 7);
        VM_MeshPokeNormals(mesh, i, 4.5f, 5.5f, 6.5f, 7);
    }
    for (int offset : {-1, -4, 21, 24, 100})
        EXPECT_EQ(VM_MeshPeekVert(mesh, 1, offset), 0.0f) << offset;
    const auto before = bytes_of(rec(mesh).Vertices);
    for (int index : {-1, 4, 1000, INT32_MIN}) {
        VM_MeshPokeVert(mesh, index, 1.0f, 1.0f, 1.0f, 7);
        VM_MeshPokeNormals(mesh, index, 1.0f, 1.0f, 1.0f, 7);
        EXPECT_EQ(VM_MeshPeekVert(mesh, index, 0), 0.0f);
    }
    // Counts a program raised in the record stay bounded by the banks; nothing above
    // changed a byte of them (the spare byte included).
    VM_PokeInt(mesh, 8, 1000);  // VertexCount
    VM_PokeInt(mesh, 20, 1000); // FaceCount
    const auto face_bank = bytes_of(rec(mesh).Faces);
    VM_MeshPokeVert(mesh, 4, 1.1f, 1.1f, 1.1f, 7);     // no zero byte in 1.1f
    VM_MeshPokeFace(mesh, 2, 0, 1, 1.0f, 1.0f, 1, 15); // past the bank's two records
    VM_MeshSetFaceVertCount(mesh, 500, 3);
    EXPECT_EQ(std::tuple(VM_MeshPeekVert(mesh, 4, 0), VM_MeshPeekVert(mesh, 500, 0),
                         bytes_of(rec(mesh).Vertices) == before,
                         bytes_of(rec(mesh).Faces) == face_bank,
                         zeroed(rec(mesh).Transformed)), // only the model vertices are addressed
              std::tuple(0.0f, 0.0f, true, true, true));
    // Still inside: written.
    EXPECT_EQ((VM_MeshPokeVert(mesh, 3, 2.0f, 2.0f, 2.0f, 7), VM_MeshPeekVert(mesh, 3, 8)), 2.0f);
}

TEST_F(Meshes, FacePokesFollowMaskCornerAndIndex) {
    const int mesh = VM_MeshCreate(4, 2);
    EXPECT_EQ((VM_MeshPokeFace(mesh, 1, 2, 3, 0.25f, 0.75f, 0x123456, 15), corner(mesh, 1, 2)),
              std::tuple(3, 0.25f, 0.75f, 0x123456u));
    EXPECT_EQ((VM_MeshPokeFace(mesh, 1, 2, 9, 9.0f, 9.0f, 0xFF00FF, 8), corner(mesh, 1, 2)),
              std::tuple(3, 0.25f, 0.75f, 0xFF00FFu)); // colour only
    // All 32 bits of the colour are kept, and the reserved word is left alone.
    EXPECT_EQ((VM_MeshPokeFace(mesh, 1, 2, 0, 0.0f, 0.0f, -1, 8), corner(mesh, 1, 2)),
              std::tuple(3, 0.25f, 0.75f, 0xFFFFFFFFu));
    EXPECT_EQ(faces(mesh)[1].Corner[2].Reserved, 0);
    VM_MeshSetFaceVertCount(mesh, 0, 3);
    VM_MeshSetFaceVertCount(mesh, 1, 4);
    EXPECT_EQ(std::pair(faces(mesh)[0].CornerCount, faces(mesh)[1].CornerCount), std::pair(3, 4));

    // Corners outside 0..3 and faces outside 0..count-1 (the spare record
    // included) change nothing.
    const auto before = bytes_of(rec(mesh).Faces);
    for (int c : {-1, 4, 5, INT32_MAX})
        VM_MeshPokeFace(mesh, 0, c, 1, 1.0f, 1.0f, 1, 15);
    for (int face : {-1, 2, 3, INT32_MIN}) {
        VM_MeshPokeFace(mesh, face, 0, 1, 1.0f, 1.0f, 1, 15);
        VM_MeshSetFaceVertCount(mesh, face, 4);
    }
    EXPECT_EQ(bytes_of(rec(mesh).Faces), before);

    // Back-face flag keeps the low bit only.
    EXPECT_EQ((VM_MeshBackFace(mesh, 3), VM_MeshGetBackFace(mesh)), 1);
    EXPECT_EQ((VM_MeshBackFace(mesh, 2), VM_MeshGetBackFace(mesh)), 0);
}

TEST_F(Meshes, ResizingKeepsContentsAndRefusesTooFew) {
    const int mesh = VM_MeshCreatePlain();
    for (int i = 0; i < 4; ++i)
        VM_MeshPokeVert(mesh, i, float(i), float(10 * i), 1.0f, 7);
    auto sizes = [&] {
        return std::tuple(VM_MeshGetVerts(mesh), VM_BankSize(rec(mesh).Vertices),
                          VM_BankSize(rec(mesh).Transformed));
    };
    // Fewer than the plain quad's four, or more than a bank can hold, are refused.
    for (int refused : {3, INT32_MIN, INT32_MAX}) {
        VM_MeshVertQuantity(mesh, refused);
        EXPECT_EQ(sizes(), std::tuple(4, 97, 97)) << refused;
    }
    VM_MeshVertQuantity(mesh, 10);
    EXPECT_EQ(sizes(), std::tuple(10, 241, 241));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(vertex(mesh, i),
                  i < 4 ? (Floats{float(i), float(10 * i), 1, 0, 0, 0}) : Floats(6))
            << i;
    // The new range is writable.
    EXPECT_EQ((VM_MeshPokeVert(mesh, 9, 5.0f, 5.0f, 5.0f, 7), VM_MeshPeekVert(mesh, 9, 0)), 5.0f);
    VM_MeshVertQuantity(mesh, 4); // shrinking keeps the first vertices
    EXPECT_EQ(sizes(), std::tuple(4, 97, 97));
    EXPECT_EQ(std::pair(VM_MeshPeekVert(mesh, 3, 0), VM_MeshPeekVert(mesh, 9, 0)),
              std::pair(3.0f, 0.0f));

    auto face_sizes = [&] {
        return std::pair(VM_MeshGetFaces(mesh), VM_BankSize(rec(mesh).Faces));
    };
    for (int refused : {0, -3, INT32_MAX})
        VM_MeshFaceQuantity(mesh, refused);
    EXPECT_EQ(face_sizes(), std::pair(1, 168));
    VM_MeshFaceQuantity(mesh, 5);
    EXPECT_EQ(std::tuple(face_sizes(), corner(mesh, 0, 2), faces(mesh)[0].CornerCount,
                         faces(mesh)[4].CornerCount),
              std::tuple(std::pair(5, 6 * 84), std::tuple(2, 1.0f, 1.0f, 0xFFFFFFu), 4, 0));
    VM_MeshFaceQuantity(mesh, 1);
    EXPECT_EQ(std::tuple(face_sizes(), corner(mesh, 0, 3), VM_UsedBankQuantity()),
              std::tuple(std::pair(1, 168), std::tuple(3, 0.0f, 1.0f, 0xFFFFFFu), 4));

    // A mesh whose Status is not 1 refuses both resizes.
    VM_PokeInt(mesh, 0, 0);
    VM_MeshVertQuantity(mesh, 8);
    VM_MeshFaceQuantity(mesh, 8);
    EXPECT_EQ(std::pair(sizes(), face_sizes()),
              std::pair(std::tuple(4, 97, 97), std::pair(1, 168)));
}

TEST_F(Meshes, BadHandlesAreRefused) {
    const int mesh = VM_MeshCreatePlain();
    const int small = VM_Alloc(40); // too small to be read as a mesh record
    for (int handle : {-1, 0, kTable, INT32_MAX, small, small + 1}) {
        EXPECT_TRUE(kxt::all_zero(
            {VM_MeshGetVerts(handle), VM_MeshGetFaces(handle), VM_MeshGetBackFace(handle),
             VM_MeshGetVertPtr(handle, 0) != nullptr, VM_MeshPeekVert(handle, 0, 0) != 0.0f}))
            << handle;
        VM_MeshPokeVert(handle, 0, 1.0f, 1.0f, 1.0f, 7);
        VM_MeshPokeNormals(handle, 0, 1.0f, 1.0f, 1.0f, 7);
        VM_MeshPokeFace(handle, 0, 0, 1, 1.0f, 1.0f, 1, 15);
        VM_MeshSetFaceVertCount(handle, 0, 3);
        VM_MeshBackFace(handle, 1);
        VM_MeshVertQuantity(handle, 8);
        VM_MeshFaceQuantity(handle, 8);
        VM_MeshDelete(handle);
    }
    EXPECT_EQ(std::tuple(VM_UsedBankQuantity(), zeroed(small), faces(mesh)[0].CornerCount,
                         VM_MeshGetVerts(mesh)),
              std::tuple(5, true, 4, 4));
}

TEST_F(Meshes, DeleteReleasesEverythingTheMeshOwns) {
    const int mesh = VM_MeshCreate(8, 3);
    const VM_Mesh m = rec(mesh);
    // Something in the particle controller's place goes with the mesh.
    const int particles = VM_Alloc(20);
    VM_PokeInt(mesh, 40, particles);
    EXPECT_EQ(VM_UsedBankQuantity(), 5);
    VM_MeshDelete(mesh);
    for (int bank : {mesh, m.Vertices, m.Transformed, m.Faces, particles})
        EXPECT_EQ(VM_BankExist(bank), 0) << bank;
    VM_MeshDelete(mesh); // a second delete finds nothing
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
}

TEST_F(Meshes, HeldRecordOutlivesDeleteDeadAndEmpty) {
    const int mesh = VM_MeshCreatePlain();
    const VM_Mesh m = rec(mesh);
    VM_IncBankRef(mesh);
    VM_IncBankRef(mesh);
    VM_MeshDelete(mesh);
    ASSERT_EQ(VM_BankExist(mesh), 1);
    // The owned banks are gone, the record is dead and empty.
    EXPECT_EQ(std::tuple(VM_UsedBankQuantity(), rec(mesh).Status, VM_MeshGetVerts(mesh),
                         VM_MeshGetVertPtr(mesh, 0)),
              std::tuple(1, 0, 0, nullptr));
    // The released handles go to new banks, which the dead record no longer reaches.
    int others[3];
    for (int& h : others)
        h = VM_Alloc(200);
    VM_MeshVertQuantity(mesh, 8);
    VM_MeshFaceQuantity(mesh, 8);
    VM_MeshPokeVert(mesh, 0, 1.0f, 1.0f, 1.0f, 7);
    VM_MeshPokeFace(mesh, 0, 0, 1, 1.0f, 1.0f, 1, 15);
    VM_MeshSetFaceVertCount(mesh, 0, 3);
    VM_MeshDelete(mesh); // the last hold
    EXPECT_EQ(VM_BankExist(mesh), 0);
    for (int h : others)
        EXPECT_TRUE(VM_BankSize(h) == 200 && zeroed(h)) << h;
    EXPECT_EQ(std::count(std::begin(others), std::end(others), m.Vertices), 1);
}

TEST(MeshesAccounting, FailedCreationLeavesNothingBehind) {
    // Table of 4: three banks fit, a mesh needs four.
    VM_OpenMemoryManager(4);
    EXPECT_EQ(VM_MeshCreate(4, 1) | VM_MeshCreatePlain() | VM_UsedBankQuantity(), 0);
    VM_CloseMemoryManager();

    VM_OpenMemoryManager(5);
    // Negative counts, and counts past what a bank can hold.
    const int refused[][2] = {{-1, 1}, {1, -1}, {INT32_MAX, 1}, {1, INT32_MAX}};
    for (const auto& r : refused)
        EXPECT_EQ(VM_MeshCreate(r[0], r[1]), 0) << r[0] << " " << r[1];
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    // Exactly enough handles for one mesh; braces keep the order.
    EXPECT_EQ((std::tuple{VM_MeshCreate(4, 1), VM_MeshCreate(4, 1), VM_UsedBankQuantity()}),
              std::tuple(1, 0, 4));
    VM_MeshDelete(1);
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    VM_CloseMemoryManager();

    EXPECT_EQ(VM_MeshCreatePlain(), 0); // manager closed
}

} // namespace
