// Meshes: the record and its banks, the plain quad, resizing, vertex and face
// access with masks and bounds, deletion and bank accounting.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "kx/kx_vm.h"

namespace {

class Meshes : public ::testing::Test {
  protected:
    static constexpr int kTable = 64;
    void SetUp() override { VM_OpenMemoryManager(kTable); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    static const VM_Mesh& rec(int mesh) { return *static_cast<const VM_Mesh*>(VM_BankPtr(mesh)); }
    static const VM_MeshVertex* model(int mesh) {
        return static_cast<const VM_MeshVertex*>(VM_MeshGetVertPtr(mesh, 0));
    }
    static const VM_MeshFace* faces(int mesh) {
        return static_cast<const VM_MeshFace*>(VM_BankPtr(rec(mesh).Faces));
    }
    static std::vector<unsigned char> bytes_of(int bank) {
        const auto* p = static_cast<const unsigned char*>(VM_BankPtr(bank));
        return std::vector<unsigned char>(p, p + VM_BankSize(bank));
    }
};

TEST_F(Meshes, CreateMakesRecordAndZeroedBanks) {
    const int mesh = VM_MeshCreate(5, 2);
    ASSERT_GT(mesh, 0);
    EXPECT_EQ(VM_BankType(mesh), VM_BANK_MESH);
    EXPECT_EQ(VM_BankSize(mesh), 44);
    const VM_Mesh& m = rec(mesh);
    EXPECT_EQ(m.Status, 1);
    EXPECT_EQ(m.Particles, 0);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 5);
    EXPECT_EQ(VM_MeshGetFaces(mesh), 2);

    for (int bank : {m.Vertices, m.Transformed}) {
        EXPECT_EQ(VM_BankType(bank), VM_BANK_RAW);
        EXPECT_EQ(VM_BankSize(bank), 24 * 5 + 1);
    }
    EXPECT_NE(m.Vertices, m.Transformed);
    EXPECT_EQ(VM_BankType(m.Faces), VM_BANK_RAW);
    EXPECT_EQ(VM_BankSize(m.Faces), 3 * 84);
    for (int bank : {m.Vertices, m.Transformed, m.Faces})
        for (unsigned char b : bytes_of(bank))
            ASSERT_EQ(b, 0);
    EXPECT_EQ(VM_UsedBankQuantity(), 4);

    EXPECT_EQ(VM_MeshGetVertPtr(mesh, 0), VM_BankPtr(m.Vertices));
    EXPECT_EQ(VM_MeshGetVertPtr(mesh, 1), VM_BankPtr(m.Transformed));
    EXPECT_EQ(VM_MeshGetVertPtr(mesh, 2), nullptr);
    EXPECT_EQ(VM_MeshGetVertPtr(mesh, -1), nullptr);

    // Empty meshes still have their banks: one spare byte, one spare face.
    const int empty = VM_MeshCreate(0, 0);
    EXPECT_EQ(VM_BankSize(rec(empty).Vertices), 1);
    EXPECT_EQ(VM_BankSize(rec(empty).Faces), 84);
    EXPECT_EQ(VM_UsedBankQuantity(), 8);
}

TEST_F(Meshes, PlainQuad) {
    const int mesh = VM_MeshCreatePlain();
    ASSERT_GT(mesh, 0);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
    EXPECT_EQ(VM_MeshGetFaces(mesh), 1);
    const VM_MeshFace& f = faces(mesh)[0];
    EXPECT_EQ(f.CornerCount, 4);
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(f.Corner[c].Vertex, c);
        EXPECT_EQ(f.Corner[c].U, u[c]);
        EXPECT_EQ(f.Corner[c].V, v[c]);
        EXPECT_EQ(f.Corner[c].Colour, 0xFFFFFFu);
    }
    EXPECT_EQ(faces(mesh)[1].CornerCount, 0); // the spare record stays empty
}

TEST_F(Meshes, VertexPokesAndPeeksFollowMaskIndexAndOffset) {
    const int mesh = VM_MeshCreate(4, 1);
    VM_MeshPokeVert(mesh, 0, 1.0f, 2.0f, 3.0f, 2); // y only
    EXPECT_EQ(VM_MeshPeekVert(mesh, 0, 0), 0.0f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 0, 4), 2.0f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 0, 8), 0.0f);
    VM_MeshPokeVert(mesh, 0, 7.0f, 8.0f, 9.0f, 5); // x and z
    EXPECT_EQ(model(mesh)[0].X, 7.0f);
    EXPECT_EQ(model(mesh)[0].Y, 2.0f);
    EXPECT_EQ(model(mesh)[0].Z, 9.0f);

    VM_MeshPokeNormals(mesh, 3, 0.5f, -0.5f, 0.25f, 7);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 12), 0.5f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 16), -0.5f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 20), 0.25f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 0), 0.0f); // position untouched
    VM_MeshPokeNormals(mesh, 3, 9.0f, 9.0f, 9.0f, 4);
    EXPECT_EQ(model(mesh)[3].NormalX, 0.5f);
    EXPECT_EQ(model(mesh)[3].NormalZ, 9.0f);

    // An offset between fields reads the bytes there.
    float expect;
    std::memcpy(&expect, reinterpret_cast<const unsigned char*>(&model(mesh)[3]) + 14, 4);
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
    EXPECT_EQ(bytes_of(rec(mesh).Vertices), before); // the spare byte included

    // Only the model vertices are addressed.
    for (unsigned char b : bytes_of(rec(mesh).Transformed))
        ASSERT_EQ(b, 0);
}

TEST_F(Meshes, FacePokesFollowMaskCornerAndIndex) {
    const int mesh = VM_MeshCreate(4, 2);
    VM_MeshPokeFace(mesh, 1, 2, 3, 0.25f, 0.75f, 0x123456, 15);
    const VM_MeshCorner& c = faces(mesh)[1].Corner[2];
    EXPECT_EQ(c.Vertex, 3);
    EXPECT_EQ(c.U, 0.25f);
    EXPECT_EQ(c.V, 0.75f);
    EXPECT_EQ(c.Colour, 0x123456u);

    VM_MeshPokeFace(mesh, 1, 2, 9, 9.0f, 9.0f, 0xFF00FF, 8); // colour only
    EXPECT_EQ(c.Vertex, 3);
    EXPECT_EQ(c.U, 0.25f);
    EXPECT_EQ(c.V, 0.75f);
    EXPECT_EQ(c.Colour, 0xFF00FFu);
    VM_MeshPokeFace(mesh, 1, 2, 0, 0.0f, 0.0f, -1, 8); // all 32 bits of the colour are kept
    EXPECT_EQ(c.Colour, 0xFFFFFFFFu);
    EXPECT_EQ(c.Reserved, 0);

    VM_MeshSetFaceVertCount(mesh, 0, 3);
    VM_MeshSetFaceVertCount(mesh, 1, 4);
    EXPECT_EQ(faces(mesh)[0].CornerCount, 3);
    EXPECT_EQ(faces(mesh)[1].CornerCount, 4);

    // Corners outside 0..3 and faces outside 0..count-1 (the spare record
    // included) change nothing.
    const auto before = bytes_of(rec(mesh).Faces);
    for (int corner : {-1, 4, 5, INT32_MAX})
        VM_MeshPokeFace(mesh, 0, corner, 1, 1.0f, 1.0f, 1, 15);
    for (int face : {-1, 2, 3, INT32_MIN}) {
        VM_MeshPokeFace(mesh, face, 0, 1, 1.0f, 1.0f, 1, 15);
        VM_MeshSetFaceVertCount(mesh, face, 4);
    }
    EXPECT_EQ(bytes_of(rec(mesh).Faces), before);

    // Back-face flag keeps the low bit only.
    VM_MeshBackFace(mesh, 3);
    EXPECT_EQ(VM_MeshGetBackFace(mesh), 1);
    VM_MeshBackFace(mesh, 2);
    EXPECT_EQ(VM_MeshGetBackFace(mesh), 0);
}

TEST_F(Meshes, ResizingKeepsContentsAndRefusesTooFew) {
    const int mesh = VM_MeshCreatePlain();
    for (int i = 0; i < 4; ++i)
        VM_MeshPokeVert(mesh, i, float(i), float(10 * i), 1.0f, 7);

    VM_MeshVertQuantity(mesh, 3);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
    EXPECT_EQ(VM_BankSize(rec(mesh).Vertices), 97);
    VM_MeshVertQuantity(mesh, INT32_MIN);
    VM_MeshVertQuantity(mesh, INT32_MAX); // more than a bank can hold
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
    EXPECT_EQ(VM_BankSize(rec(mesh).Transformed), 97);

    VM_MeshVertQuantity(mesh, 10);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 10);
    EXPECT_EQ(VM_BankSize(rec(mesh).Vertices), 241);
    EXPECT_EQ(VM_BankSize(rec(mesh).Transformed), 241);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(VM_MeshPeekVert(mesh, i, 4), float(10 * i)) << i;
    for (int i = 4; i < 10; ++i)
        EXPECT_EQ(VM_MeshPeekVert(mesh, i, 8), 0.0f) << i;
    VM_MeshPokeVert(mesh, 9, 5.0f, 5.0f, 5.0f, 7); // the new range is writable
    EXPECT_EQ(VM_MeshPeekVert(mesh, 9, 0), 5.0f);

    VM_MeshVertQuantity(mesh, 4); // shrinking keeps the first vertices
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
    EXPECT_EQ(VM_BankSize(rec(mesh).Vertices), 97);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 0), 3.0f);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 9, 0), 0.0f);

    VM_MeshFaceQuantity(mesh, 0);
    VM_MeshFaceQuantity(mesh, -3);
    VM_MeshFaceQuantity(mesh, INT32_MAX);
    EXPECT_EQ(VM_MeshGetFaces(mesh), 1);
    EXPECT_EQ(VM_BankSize(rec(mesh).Faces), 168);
    VM_MeshFaceQuantity(mesh, 5);
    EXPECT_EQ(VM_MeshGetFaces(mesh), 5);
    EXPECT_EQ(VM_BankSize(rec(mesh).Faces), 6 * 84);
    EXPECT_EQ(faces(mesh)[0].CornerCount, 4);
    EXPECT_EQ(faces(mesh)[0].Corner[2].U, 1.0f);
    EXPECT_EQ(faces(mesh)[4].CornerCount, 0);
    VM_MeshFaceQuantity(mesh, 1);
    EXPECT_EQ(VM_BankSize(rec(mesh).Faces), 168);
    EXPECT_EQ(faces(mesh)[0].Corner[3].Colour, 0xFFFFFFu);
    EXPECT_EQ(VM_UsedBankQuantity(), 4); // resizing makes no banks

    // A mesh whose Status is not 1 refuses both resizes.
    VM_PokeInt(mesh, 0, 0);
    VM_MeshVertQuantity(mesh, 8);
    VM_MeshFaceQuantity(mesh, 8);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
    EXPECT_EQ(VM_MeshGetFaces(mesh), 1);
    EXPECT_EQ(VM_BankSize(rec(mesh).Vertices), 97);
}

TEST_F(Meshes, CountsRaisedInPlaceStayInsideTheBanks) {
    const int mesh = VM_MeshCreate(4, 1);
    VM_PokeInt(mesh, 8, 1000);  // VertexCount
    VM_PokeInt(mesh, 20, 1000); // FaceCount
    const auto vertices = bytes_of(rec(mesh).Vertices);
    const auto face_bank = bytes_of(rec(mesh).Faces);
    VM_MeshPokeVert(mesh, 4, 1.1f, 1.1f, 1.1f, 7); // no zero byte in 1.1f
    EXPECT_EQ(VM_MeshPeekVert(mesh, 4, 0), 0.0f);
    VM_MeshPokeFace(mesh, 2, 0, 1, 1.0f, 1.0f, 1, 15); // past the bank's two records
    VM_MeshSetFaceVertCount(mesh, 500, 3);
    EXPECT_EQ(VM_MeshPeekVert(mesh, 500, 0), 0.0f);
    EXPECT_EQ(bytes_of(rec(mesh).Vertices), vertices);
    EXPECT_EQ(bytes_of(rec(mesh).Faces), face_bank);
    VM_MeshPokeVert(mesh, 3, 2.0f, 2.0f, 2.0f, 7); // still inside: written
    EXPECT_EQ(VM_MeshPeekVert(mesh, 3, 8), 2.0f);
}

TEST_F(Meshes, BadHandlesAreRefused) {
    const int mesh = VM_MeshCreatePlain();
    const int small = VM_Alloc(40); // too small to be read as a mesh record
    for (int handle : {-1, 0, kTable, INT32_MAX, small, small + 1}) {
        EXPECT_EQ(VM_MeshGetVerts(handle), 0) << handle;
        EXPECT_EQ(VM_MeshGetFaces(handle), 0) << handle;
        EXPECT_EQ(VM_MeshGetBackFace(handle), 0) << handle;
        EXPECT_EQ(VM_MeshGetVertPtr(handle, 0), nullptr) << handle;
        EXPECT_EQ(VM_MeshPeekVert(handle, 0, 0), 0.0f) << handle;
        VM_MeshPokeVert(handle, 0, 1.0f, 1.0f, 1.0f, 7);
        VM_MeshPokeNormals(handle, 0, 1.0f, 1.0f, 1.0f, 7);
        VM_MeshPokeFace(handle, 0, 0, 1, 1.0f, 1.0f, 1, 15);
        VM_MeshSetFaceVertCount(handle, 0, 3);
        VM_MeshBackFace(handle, 1);
        VM_MeshVertQuantity(handle, 8);
        VM_MeshFaceQuantity(handle, 8);
        VM_MeshDelete(handle);
    }
    EXPECT_EQ(VM_UsedBankQuantity(), 5);
    for (unsigned char b : bytes_of(small))
        ASSERT_EQ(b, 0);
    EXPECT_EQ(faces(mesh)[0].CornerCount, 4);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 4);
}

TEST_F(Meshes, DeleteReleasesEverythingTheMeshOwns) {
    const int base = VM_UsedBankQuantity();
    const int mesh = VM_MeshCreate(8, 3);
    const VM_Mesh m = rec(mesh);
    // Something in the particle controller's place goes with the mesh.
    const int particles = VM_Alloc(20);
    VM_PokeInt(mesh, 40, particles);
    EXPECT_EQ(VM_UsedBankQuantity(), base + 5);
    VM_MeshDelete(mesh);
    for (int bank : {mesh, m.Vertices, m.Transformed, m.Faces, particles})
        EXPECT_EQ(VM_BankExist(bank), 0) << bank;
    EXPECT_EQ(VM_UsedBankQuantity(), base);
    VM_MeshDelete(mesh); // a second delete finds nothing
    EXPECT_EQ(VM_UsedBankQuantity(), base);

    // Repeated creation and deletion leaks nothing.
    for (int round = 0; round < 20; ++round) {
        const int a = VM_MeshCreatePlain();
        const int b = VM_MeshCreate(round, round);
        VM_MeshVertQuantity(a, 4 + round);
        VM_MeshFaceQuantity(b, 1 + round);
        ASSERT_EQ(VM_UsedBankQuantity(), base + 8);
        VM_MeshDelete(b);
        VM_MeshDelete(a);
        ASSERT_EQ(VM_UsedBankQuantity(), base);
    }
}

TEST_F(Meshes, HeldRecordOutlivesDeleteDeadAndEmpty) {
    const int mesh = VM_MeshCreatePlain();
    const VM_Mesh m = rec(mesh);
    VM_IncBankRef(mesh);
    VM_IncBankRef(mesh);
    VM_MeshDelete(mesh);
    ASSERT_EQ(VM_BankExist(mesh), 1);
    EXPECT_EQ(VM_UsedBankQuantity(), 1);
    for (int bank : {m.Vertices, m.Transformed, m.Faces})
        EXPECT_EQ(VM_BankExist(bank), 0) << bank;
    EXPECT_EQ(rec(mesh).Status, 0);
    EXPECT_EQ(VM_MeshGetVertPtr(mesh, 0), nullptr);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 0);
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
    for (int h : others) {
        ASSERT_EQ(VM_BankExist(h), 1) << h;
        EXPECT_EQ(VM_BankSize(h), 200) << h;
        for (unsigned char b : bytes_of(h))
            ASSERT_EQ(b, 0) << h;
    }
}

TEST(MeshesAccounting, FailedCreationLeavesNothingBehind) {
    // Table of 4: three banks fit, a mesh needs four.
    VM_OpenMemoryManager(4);
    EXPECT_EQ(VM_MeshCreate(4, 1), 0);
    EXPECT_EQ(VM_MeshCreatePlain(), 0);
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    VM_CloseMemoryManager();

    VM_OpenMemoryManager(5);
    EXPECT_EQ(VM_MeshCreate(-1, 1), 0);
    EXPECT_EQ(VM_MeshCreate(1, -1), 0);
    EXPECT_EQ(VM_MeshCreate(INT32_MAX, 1), 0); // more than a bank can hold
    EXPECT_EQ(VM_MeshCreate(1, INT32_MAX), 0);
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    const int mesh = VM_MeshCreate(4, 1); // exactly enough handles
    EXPECT_EQ(mesh, 1);
    EXPECT_EQ(VM_MeshCreate(4, 1), 0);
    EXPECT_EQ(VM_UsedBankQuantity(), 4);
    VM_MeshDelete(mesh);
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    VM_CloseMemoryManager();

    EXPECT_EQ(VM_MeshCreatePlain(), 0); // manager closed
}

} // namespace
